#include "device/LibraryConventions.h"

#include <cstdlib>
#include <string_view>

namespace vmf {
namespace {

// One variable: empty means the default (false), `second` means true.
bool ReadChoice(const char* name, const char* value, std::string_view first,
                std::string_view second, bool& out, std::string& error) {
    const std::string_view v = value ? value : "";
    if (v.empty() || v == first) {
        out = false;
    } else if (v == second) {
        out = true;
    } else {
        error = std::string(name) + " must be " + std::string(first) + " or " +
                std::string(second) + ", not '" + std::string(v) + "'";
        return false;
    }
    return true;
}

}  // namespace

std::optional<LibraryConventions> ParseLibraryConventions(const char* results, const char* spectrum,
                                                          std::string& error) {
    LibraryConventions c;
    if (!ReadChoice("VMF_DLL_RESULTS", results, "evidence", "returns", c.trustReturnValues,
                    error) ||
        !ReadChoice("VMF_DLL_SPECTRUM", spectrum, "slot", "device", c.spectrumByDevice, error))
        return std::nullopt;
    return c;
}

LibraryConventions LibraryConventionsFromEnvironment(std::string& warning) {
    warning.clear();
    LibraryConventions c;
    std::string error;
    // Each variable on its own, so a typo in one does not undo the other.
    if (auto r = ParseLibraryConventions(std::getenv("VMF_DLL_RESULTS"), nullptr, error))
        c.trustReturnValues = r->trustReturnValues;
    else
        warning = error;
    if (auto s = ParseLibraryConventions(nullptr, std::getenv("VMF_DLL_SPECTRUM"), error))
        c.spectrumByDevice = s->spectrumByDevice;
    else
        warning += (warning.empty() ? "" : "; ") + error;
    return c;
}

}  // namespace vmf
