#pragma once
// The per-user folder where recovery journals live when they cannot be kept
// beside what they protect: the window keeps its session journals there and
// offers what it finds at start-up; the command line falls back to it. On
// Linux $XDG_DATA_HOME (else ~/.local/share) + "/VarnelloMF/varnello_mf/recovery",
// on Windows %APPDATA%\VarnelloMF\varnello_mf\recovery. UTF-8; empty when
// neither variable is set.

#include <string>

namespace vmf {

std::string RecoveryFolder();

// A name in that folder for what protects target (UTF-8 path of an output
// file): its file name, a short hash of its absolute path, and suffix. The
// same target always gives the same name, so two runs for one target meet.
std::string RecoveryNameFor(const std::string& target, const std::string& suffix);

}  // namespace vmf
