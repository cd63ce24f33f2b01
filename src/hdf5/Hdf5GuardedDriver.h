#pragma once
// The file driver the export writes through. The library's own POSIX driver
// hands a failed write (full disk, file-size limit) back to the library,
// which then fails again on every flush; a file close that fails that way
// leaves the library holding a freed file, and it crashes when it shuts down
// at exit. This driver instead keeps the first failure (its errno) in a
// WriteGuard and lets every later write, sync and truncation of that file
// "succeed" without touching the disk, so every object still closes
// cleanly; the export asks the guard after each block and at the end, and
// throws the file away when it failed.

#include <hdf5.h>

#include <string>

namespace vmf {

struct Hdf5WriteGuard {
    int error = 0;  // errno of the first failed write, sync or close; 0: none
    bool Failed() const { return error != 0; }
    // The system's text for the failure.
    std::string Reason() const;
};

// A file access property list (to be closed by the caller with H5Pclose)
// that writes through the guarded driver, recording into guard; negative
// when the driver cannot be registered.
hid_t GuardedFileAccess(Hdf5WriteGuard& guard);

}  // namespace vmf
