#include "csv/CsvDialogRules.h"

#include <climits>

namespace vmf {

int ReadDialogInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long v = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return 0;
    }
    if (!any) return 0;
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return 0;
    return static_cast<int>(v);
}

std::optional<std::string> CsvStepRefusal(int stepNm) {
    if (stepNm >= 1) return std::nullopt;
    return std::string("波長ステップ(nm)は1以上の値を入力してください。");
}

void ClampCsvWavelengths(int& startNm, int& endNm) {
    if (startNm < 340) startNm = 340;
    if (endNm > 850) endNm = 850;
    if (startNm > 850) startNm = 850;
    if (endNm < 340) endNm = startNm;
    if (endNm < startNm) endNm = startNm;
}

void ToCsvRecordRange(int& first, int& end, int recordCount) {
    // The typed first number is 1-based; INT_MIN cannot be decremented.
    first = first > 1 ? first - 1 : 0;
    if (first >= recordCount) first = recordCount - 1;
    // The shown last number is 1-based inclusive, which is already the
    // 0-based end of a half-open range.
    if (end < first) end = first;
    if (end >= recordCount) end = recordCount;
}

std::string WithCsvExtension(std::string name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    bool has = name.size() >= 4;
    for (size_t k = 0; has && k < 4; ++k) has = lower(name[name.size() - 4 + k]) == ".csv"[k];
    if (!has) name += ".csv";
    return name;
}

std::string TrimChosenFolder(std::string path) {
#if defined(_WIN32)
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
#else
    if (!path.empty() && path.back() == '/') path.pop_back();
#endif
    return path;
}

std::optional<std::string> CorrectCsvDialogEntries(CsvDialogEntries& e, int recordCount) {
    if (auto refusal = CsvStepRefusal(e.csvStepNm)) return refusal;
    ClampCsvWavelengths(e.csvStartNm, e.csvEndNm);
    ToCsvRecordRange(e.firstDataNumber, e.endDataNumber, recordCount);
    e.fixedFileName = WithCsvExtension(std::move(e.fixedFileName));
    return std::nullopt;
}

}  // namespace vmf
