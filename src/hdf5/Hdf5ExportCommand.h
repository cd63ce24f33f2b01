#pragma once
// The File menu's HDF5 export on the one store: refused while measuring
// (the worker writes into the store between the panel's polls), then a save
// dialog, then the export. Questions and notices go through UserDialogs, so
// tests drive it without a window.

#include <functional>
#include <string>

namespace vmf {

class Cvarnello_mfDoc;
class UserDialogs;

inline constexpr const char* kHdf5ExportTitle = "HDF5 形式で書き出し";
inline constexpr const char* kHdf5ExportFilter = "HDF5 ファイル (*.h5);;すべてのファイル (*)";
inline constexpr const char* kHdf5ExportWhileMeasuring =
    "測定中は書き出せません。測定を停止してから書き出してください。";

enum class Hdf5ExportOutcome { Refused, Cancelled, Written, Failed };

// What the save dialog proposes: the document's file with ".h5" for its
// extension, or the document's title (as Save As cuts it) with ".h5".
std::string ProposedHdf5Path(const Cvarnello_mfDoc& doc);

// Runs the command; a failed export is reported with its message. The path
// written goes to writtenPath when given. writing(true) is called once the
// file has been chosen, just before the (possibly long) write, and
// writing(false) right after it, before any message.
Hdf5ExportOutcome RunHdf5ExportCommand(const Cvarnello_mfDoc& doc, UserDialogs& dialogs,
                                       bool measuring, std::string* writtenPath = nullptr,
                                       const std::function<void(bool)>& writing = {});

}  // namespace vmf
