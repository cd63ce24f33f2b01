#pragma once
// Qt's own dialogs in the program's language on any desktop. The catalogue
// Qt ships (QtTranslations) leaves a few of the file dialog's texts out, and
// the dialog formats dates and sizes by the system's locale, which only the
// environment sets; both are made Japanese here.

namespace vmf {

// Before the QApplication is made: the system locale Qt reads from the
// environment becomes Japanese (dates and sizes in the file dialog).
void UseJapaneseSystemLocale();

// After it is made: Japanese as the default locale, and the texts Qt's
// catalogue lacks ("Folder", "Drive", "File") in Japanese. Idempotent.
void UseJapaneseQtTexts();

}  // namespace vmf
