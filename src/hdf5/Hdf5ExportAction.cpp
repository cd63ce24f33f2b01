#include "hdf5/Hdf5ExportAction.h"

#include <QAction>
#include <QFileInfo>

#include "hdf5/Hdf5ExportCommand.h"

namespace vmf {

QAction* CreateHdf5ExportAction(QObject* parent, const Cvarnello_mfDoc& doc, UserDialogs& dialogs,
                                FileWork& work, std::function<bool()> isMeasuring,
                                std::function<void(const QString&)> status) {
    auto* action = new QAction(QString::fromUtf8("HDF5 形式で書き出し(&H)..."), parent);
    action->setObjectName(QStringLiteral("fileExportHdf5"));
    action->setStatusTip(QString::fromUtf8("データを HDF5 形式のファイルに書き出します"));
    QObject::connect(
        action, &QAction::triggered, parent, [&doc, &dialogs, &work, isMeasuring, status] {
            const bool measuring = isMeasuring && isMeasuring();
            std::string path;
            const auto outcome = RunHdf5ExportCommand(doc, dialogs, measuring, work, &path);
            if (outcome == Hdf5ExportOutcome::Written && status)
                status(QString::fromUtf8("%1 に書き出しました")
                           .arg(QFileInfo(QString::fromStdString(path)).fileName()));
        });
    return action;
}

}  // namespace vmf
