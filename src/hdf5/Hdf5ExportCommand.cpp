#include "hdf5/Hdf5ExportCommand.h"

#include <filesystem>

#include "common/DocumentNaming.h"
#include "common/FileWork.h"
#include "common/UserDialogs.h"
#include "hdf5/Hdf5Export.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

std::string ProposedHdf5Path(const Cvarnello_mfDoc& doc) {
    if (!doc.pathName.empty())
        return std::filesystem::path(doc.pathName).replace_extension(".h5").string();
    return std::filesystem::path(ProposedSaveName(doc.title)).replace_extension(".h5").string();
}

Hdf5ExportOutcome RunHdf5ExportCommand(const Cvarnello_mfDoc& doc, UserDialogs& dialogs,
                                       bool measuring, FileWork& work, std::string* writtenPath) {
    if (measuring) {
        dialogs.Notify(kHdf5ExportWhileMeasuring);
        return Hdf5ExportOutcome::Refused;
    }
    if (work.Running()) {
        dialogs.Notify(kFileWorkRunning);
        return Hdf5ExportOutcome::Refused;
    }
    auto chosen = dialogs.SaveFileName(kHdf5ExportTitle, kHdf5ExportFilter, ProposedHdf5Path(doc));
    if (!chosen || chosen->empty()) return Hdf5ExportOutcome::Cancelled;
    std::string path = *chosen;
    if (!std::filesystem::path(path).has_extension()) path += ".h5";
    std::string error;
    bool written = false;
    bool cancelled = false;
    const std::string name = std::filesystem::path(path).filename().string();
    if (!work.Run(FileJobCaption(kWritingCaption, name), [&](FileProgress& progress) {
            Hdf5ExportOptions options;
            options.progress = &progress;
            written = ExportHdf5(doc, path, options, error);
            cancelled = !written && progress.Cancelled();
        })) {
        dialogs.Notify(kFileWorkRunning);
        return Hdf5ExportOutcome::Refused;
    }
    if (cancelled) return Hdf5ExportOutcome::Cancelled;
    if (!written) {
        dialogs.Notify(error);
        return Hdf5ExportOutcome::Failed;
    }
    if (writtenPath) *writtenPath = path;
    return Hdf5ExportOutcome::Written;
}

}  // namespace vmf
