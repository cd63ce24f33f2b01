#pragma once
// The one rule for every file the program writes (data files, CSV files,
// calibration tables, HDF5 exports): what an output path names decides how
// it is written.
//   - a regular file, or nothing yet: written beside it and renamed over it
//     once complete, so a failed write never leaves half a file;
//   - a symbolic link: followed; the file it names is replaced that way and
//     the link stays a link;
//   - "-", a FIFO or a character device: written straight through as a
//     stream ("-" is standard output);
//   - anything else (a folder, a block device, a socket): refused, never
//     replaced.

#include <cstddef>
#include <string>

#include "store/FileHandle.h"

namespace vmf {

enum class OutputKind { RegularFile, Stream, Refused };

struct OutputTarget {
    OutputKind kind = OutputKind::Refused;
    // RegularFile: the file to replace, links followed; Stream: what to open.
    std::string path;
    std::string reason;  // Refused: why, in the program's words
};

// What utf8Path names, symbolic links followed (at most 40 of them).
OutputTarget ResolveOutputPath(const std::string& utf8Path);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // drops the temporary unless Commit succeeded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Resolves utf8Path and opens the temporary or the stream. False with
    // reason when the path is refused or cannot be written.
    bool Open(const std::string& utf8Path, std::string& reason);
    bool Write(const void* data, std::size_t size, std::string& reason);
    // A file: renamed over its target (the target is as it was when this
    // fails; a caller that needs the bytes on the disk first syncs Handle()).
    // A stream: closed.
    bool Commit(std::string& reason);
    bool IsStream() const { return target_.kind == OutputKind::Stream; }
    // The handle written to, for writers that stream through it themselves.
    FileHandle& Handle() { return file_; }

private:
    FileHandle file_;
    OutputTarget target_;
    std::string temp_;
    bool committed_ = false;
};

}  // namespace vmf
