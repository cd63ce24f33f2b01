#pragma once
// The File menu item of the HDF5 export: a QAction that runs
// RunHdf5ExportCommand on the store through the window's file work (a worker
// with progress and Cancel), and the result in the status bar.

#include <QString>
#include <functional>

class QAction;
class QObject;

namespace vmf {

class Cvarnello_mfDoc;
class FileWork;
class UserDialogs;

// isMeasuring tells whether the panel measures right now; status shows a
// text in the status bar.
QAction* CreateHdf5ExportAction(QObject* parent, const Cvarnello_mfDoc& doc, UserDialogs& dialogs,
                                FileWork& work, std::function<bool()> isMeasuring,
                                std::function<void(const QString&)> status);

}  // namespace vmf
