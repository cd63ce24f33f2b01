#pragma once
// The File menu's HDF5 export on the one store: refused while measuring
// (the worker writes into the store between the panel's polls) or while
// other file work runs, then a save dialog, then the export as file work
// (a worker with progress and Cancel in the window). Questions and notices
// go through UserDialogs, so tests drive it without a window.

#include <string>

namespace vmf {

class Cvarnello_mfDoc;
class FileWork;
class UserDialogs;

inline constexpr const char* kHdf5ExportTitle = "HDF5 形式で書き出し";
inline constexpr const char* kHdf5ExportFilter = "HDF5 ファイル (*.h5);;すべてのファイル (*)";
inline constexpr const char* kHdf5ExportWhileMeasuring =
    "測定中は書き出せません。測定を停止してから書き出してください。";

enum class Hdf5ExportOutcome { Refused, Cancelled, Written, Failed };

// What the save dialog proposes: the document's file with ".h5" for its
// extension, or the document's title (as Save As cuts it) with ".h5".
std::string ProposedHdf5Path(const Cvarnello_mfDoc& doc);

// Runs the command, the export itself through work; a failed export is
// reported with its message, a cancelled one silently (Cancelled). The path
// written goes to writtenPath when given.
Hdf5ExportOutcome RunHdf5ExportCommand(const Cvarnello_mfDoc& doc, UserDialogs& dialogs,
                                       bool measuring, FileWork& work,
                                       std::string* writtenPath = nullptr);

}  // namespace vmf
