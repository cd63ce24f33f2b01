#pragma once
// Qt's own texts (file dialog labels and buttons, context menus of edits)
// in Japanese, so they match the rest of the interface whatever the
// desktop's language.

namespace vmf {

// Loads Qt's Japanese catalogue from Qt's translations folder into the
// application once (later calls do nothing). False when it is not there:
// Qt's texts then stay English, nothing else changes.
bool InstallQtTranslations();

}  // namespace vmf
