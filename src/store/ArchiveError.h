#pragma once
// Why a data file could not be read or written. Thrown inside the archive and
// caught by Cvarnello_mfDoc::SaveToFile / LoadFromFile, which turn it into a
// message; it never leaves the store module.

#include <stdexcept>
#include <string>

namespace vmf {

enum class FileFailure {
    None,
    CannotOpen,   // the file could not be opened or created
    EndOfFile,    // the file ends before its layout is complete
    BadFormat,    // a count outside the store's bounds, or a malformed string prefix
    ReadFailed,   // the system refused a read
    WriteFailed,  // the system refused a write, flush or rename
    OutOfMemory,  // record spectra or a string could not be allocated
    Cancelled,    // the operator stopped it; nothing was changed
};

class ArchiveError : public std::runtime_error {
public:
    ArchiveError(FileFailure kind, const std::string& message)
        : std::runtime_error(message), kind_(kind) {}
    FileFailure Kind() const { return kind_; }

private:
    FileFailure kind_;
};

}  // namespace vmf
