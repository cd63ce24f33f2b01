#pragma once
// The File menu item of the HDF5 export: a QAction that runs
// RunHdf5ExportCommand on the store, with a wait cursor while the file is
// written and the result in the status bar.

#include <QString>
#include <functional>

class QAction;
class QObject;

namespace vmf {

class Cvarnello_mfDoc;
class UserDialogs;

// isMeasuring tells whether the panel measures right now; status shows a
// text in the status bar.
QAction* CreateHdf5ExportAction(QObject* parent, const Cvarnello_mfDoc& doc, UserDialogs& dialogs,
                                std::function<bool()> isMeasuring,
                                std::function<void(const QString&)> status);

}  // namespace vmf
