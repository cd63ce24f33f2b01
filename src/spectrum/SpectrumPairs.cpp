#include "spectrum/SpectrumPairs.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "store/TextFormat.h"

namespace vmf {

namespace {

constexpr double kMinStepNm = 1.0;
constexpr double kMaxStepNm = 10.0;
constexpr double kStepSlack = 1e-9;

bool IsSeparator(char c) { return c == ',' || c == ';' || c == '\t' || c == ' ' || c == '\r'; }

// The next number of the line from pos on (locale-free), skipping separators.
bool NextNumber(std::string_view line, size_t& pos, double& value) {
    while (pos < line.size() && IsSeparator(line[pos])) ++pos;
    if (pos >= line.size()) return false;
    size_t start = pos;
    if (line[pos] == '+') ++start;  // from_chars takes no plus sign
    const auto [end, ec] = std::from_chars(line.data() + start, line.data() + line.size(), value);
    if (ec != std::errc()) return false;
    pos = static_cast<size_t>(end - line.data());
    return true;
}

}  // namespace

bool ParseSpectrumPairs(std::string_view text, ColourInput& out, std::string& error) {
    std::vector<double> nm, value;
    int lineNo = 0;
    // A byte-order mark (spreadsheets save UTF-8 CSV with one) is no part of
    // the first row.
    size_t at = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (at <= text.size()) {
        size_t eol = text.find('\n', at);
        if (eol == std::string_view::npos) eol = text.size();
        const std::string_view line = text.substr(at, eol - at);
        at = eol + 1;
        ++lineNo;
        size_t pos = 0;
        while (pos < line.size() && IsSeparator(line[pos])) ++pos;
        if (pos == line.size()) continue;  // blank
        double w = 0, v = 0;
        const bool ok = NextNumber(line, pos, w) && NextNumber(line, pos, v);
        while (pos < line.size() && IsSeparator(line[pos])) ++pos;
        if (!ok || pos != line.size()) {
            if (nm.empty() && lineNo == 1) continue;  // a header row
            error = CFormat("line %d: expected \"wavelength,value\"", lineNo);
            return false;
        }
        if (!std::isfinite(w)) {
            error = CFormat("line %d: the wavelength is not a number", lineNo);
            return false;
        }
        if (!nm.empty()) {
            const double step = w - nm.back();
            if (step < kMinStepNm - kStepSlack || step > kMaxStepNm + kStepSlack) {
                error = CFormat("line %d: wavelengths must rise by 1 to 10 nm (step %g nm)", lineNo,
                                step);
                return false;
            }
        }
        nm.push_back(w);
        value.push_back(v);
    }
    if (nm.size() < 2) {
        error = "the spectrum needs at least two rows";
        return false;
    }
    ColourInput in;
    in.firstNm = static_cast<int>(std::ceil(nm.front() - kStepSlack));
    const int last = static_cast<int>(std::floor(nm.back() + kStepSlack));
    size_t j = 0;
    for (int w = in.firstNm; w <= last; ++w) {
        while (j + 2 < nm.size() && nm[j + 1] < w) ++j;
        const double f = (w - nm[j]) / (nm[j + 1] - nm[j]);
        // A NaN at either end of the interval stays NaN, so it is refused.
        in.values.push_back(value[j] + (value[j + 1] - value[j]) * (f < 0 ? 0 : f > 1 ? 1 : f));
    }
    out = std::move(in);
    return true;
}

}  // namespace vmf
