#include "app/RecoveryQuestion.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "store/Cvarnello_mfDoc.h"
#include "store/RecordTime.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

// "2026-12-08 10:15:30.123+09:00": the record's own local time, as measured.
std::string Shown(int64_t utcMs, int32_t offsetS) {
    std::string text = FormatRecordTime(utcMs, offsetS);
    if (const auto t = text.find('T'); t != std::string::npos) text[t] = ' ';
    return text;
}

}  // namespace

std::string RecoveryQuestion(const Cvarnello_mfDoc& doc, const std::string& setAsideFolder) {
    std::string text = "前回、保存されないまま終了した計測データがあります。\n\n";
    const int heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    int64_t first = std::numeric_limits<int64_t>::max(), last = 0;
    int32_t firstOffset = 0, lastOffset = 0;
    for (int a = 0; a < heads; ++a) {
        const int records = std::clamp(doc.recordCount[a], 0, MAX_RECORDS);
        CFormatAppend(text, "ヘッド %d (%s): 記録 %d 件\n", a + 1,
                      Cp932ToUtf8(doc.serialNo[static_cast<size_t>(a)]).c_str(), records);
        for (int r = 0; r < records && doc.recTimeUtcMsRows; ++r) {
            const int64_t ms = doc.recTimeUtcMs(a, r);
            if (ms == 0) continue;
            if (ms < first) first = ms, firstOffset = doc.recUtcOffsetS(a, r);
            if (ms > last) last = ms, lastOffset = doc.recUtcOffsetS(a, r);
        }
    }
    if (heads == 0) text += "ヘッドの記録はありません\n";
    if (last != 0)
        text += "最初の記録: " + Shown(first, firstOffset) +
                "\n最後の記録: " + Shown(last, lastOffset) + "\n";
    text += "\n復元しますか?\n\n";
    text += "キャンセルを選ぶと、このデータは復元しなかった記録を残しておくフォルダ\n（" +
            setAsideFolder + "）に移して残します。";
    return text;
}

}  // namespace vmf
