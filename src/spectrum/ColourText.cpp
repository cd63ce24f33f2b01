#include "spectrum/ColourText.h"

#include "store/TextFormat.h"

namespace vmf {

namespace {

// A ratio of 0 everywhere is what an unregistered reference gives; saying so
// helps more than calling the sample dark.
std::string RefusalFor(const ColourValues& v, ColourRefusal refusal) {
    if (v.sample && refusal == ColourRefusal::Dark)
        return "比率がすべて0以下です（ホワイト設定・100%透過設定を確認してください）";
    return ColourRefusalText(refusal);
}

class RowWriter {
public:
    RowWriter(std::vector<ColourRow>& rows, const ColourValues& v) : rows_(rows), v_(v) {}
    void Add(const char* label, std::string value) { rows_.push_back({label, std::move(value)}); }
    // The formatted value, or the refusal's text.
    template <class... Args>
    void Value(const char* label, ColourRefusal refusal, const char* fmt, Args... args) {
        Add(label,
            refusal == ColourRefusal::None ? CFormat(fmt, args...) : RefusalFor(v_, refusal));
    }
    // The same with the plain refusal text (the shape of the spectrum itself).
    template <class... Args>
    void Plain(const char* label, ColourRefusal refusal, const char* fmt, Args... args) {
        Add(label,
            refusal == ColourRefusal::None ? CFormat(fmt, args...) : ColourRefusalText(refusal));
    }

private:
    std::vector<ColourRow>& rows_;
    const ColourValues& v_;
};

const char* MethodName(MeasuringMethod m) {
    switch (m) {
        case MeasuringMethod::LightSource:
            return "光源";
        case MeasuringMethod::Reflectance:
            return "反射";
        case MeasuringMethod::Transmittance:
            return "透過";
    }
    return "";
}

void Chromaticities(RowWriter& w, const ColourValues& v) {
    const ColourRefusal r = v.refusal;
    w.Value("X, Y, Z", r, "%.4f, %.4f, %.4f", v.xyz.X, v.xyz.Y, v.xyz.Z);
    w.Value("x, y", r, "%.5f, %.5f", v.chroma.x, v.chroma.y);
    w.Value("u, v (CIE 1960)", r, "%.5f, %.5f", v.chroma.u, v.chroma.v);
    w.Value("u', v' (CIE 1976)", r, "%.5f, %.5f", v.chroma.up, v.chroma.vp);
}

void LightSource(RowWriter& w, const ColourValues& v) {
    w.Value("相関色温度 CCT", v.cctRefusal, "%.0f K", v.cct);
    w.Value("Duv", v.cctRefusal, "%.4f", v.duv);
    std::string ra =
        v.criRefusal == ColourRefusal::None ? CFormat("%.1f", v.ra) : RefusalFor(v, v.criRefusal);
    // CIE 13.3 holds the index of doubtful accuracy this far from the locus.
    if (v.criRefusal == ColourRefusal::None && v.dc > CRI_DC_LIMIT)
        ra += CFormat("（DC = %.4f > %.4f のため参考値）", v.dc, CRI_DC_LIMIT);
    w.Add("平均演色評価数 Ra", ra);
    std::string r1, r2;
    for (int i = 0; i < TCS_COUNT; ++i)
        CFormatAppend(i < 8 ? r1 : r2, "%sR%d %.0f", (i == 0 || i == 8) ? "" : "  ", i + 1,
                      v.r[static_cast<size_t>(i)]);
    const bool ok = v.criRefusal == ColourRefusal::None;
    w.Add("特殊演色評価数 R1–R8", ok ? r1 : RefusalFor(v, v.criRefusal));
    w.Add("特殊演色評価数 R9–R14", ok ? r2 : RefusalFor(v, v.criRefusal));
}

void Sample(RowWriter& w, const ColourValues& v) {
    w.Value("L*, a*, b*", v.refusal, "%.2f, %.2f, %.2f", v.lab.L, v.lab.a, v.lab.b);
    w.Value("L*, C*, h", v.refusal, "%.2f, %.2f, %.1f°", v.lch.L, v.lch.C, v.lch.h);
}

void Dominant(RowWriter& w, const ColourValues& v) {
    const char* label = v.dominant.complementary ? "補色主波長" : "主波長";
    // Past the fold of the locus no finer wavelength means anything.
    w.Value(label, v.dominantRefusal, v.dominant.locusEnd ? "%.0f nm 以上（軌跡の端）" : "%.1f nm",
            v.dominant.nm);
    w.Value("刺激純度", v.dominantRefusal, "%.1f %%", v.dominant.purity * 100.0);
}

void Shape(RowWriter& w, const ColourValues& v) {
    w.Plain("ピーク波長", v.shapeRefusal, "%.0f nm", v.shape.peakNm);
    w.Plain("重心波長", v.shapeRefusal, "%.1f nm", v.shape.centroidNm);
    w.Plain("半値全幅 FWHM", v.fwhmRefusal, "%.1f nm", v.shape.fwhmNm);
}

// Why the comparison's record cannot be compared, in its own words.
std::string ComparisonRefusalText(const RecordColour& rc, MeasuringMethod method) {
    if (rc.comparisonUnreferenced)
        return method == MeasuringMethod::Reflectance ? "比較ファイルのこのヘッドには反射の基準（ホ"
                                                        "ワイト設定）がないため、比較できません"
                                                      : "比較ファイルのこのヘッドには透過の基準（10"
                                                        "0%透過設定）がないため、比較できません";
    if (rc.comparison.refusal == ColourRefusal::Dark && rc.comparison.sample)
        return "比較ファイルの記録の比率がすべて0以下のため、比較できません";
    return "比較ファイルの記録: " + ColourRefusalText(rc.difference.refusal);
}

}  // namespace

std::vector<ColourRow> ColourRows(const RecordColour& rc, int head, int record,
                                  MeasuringMethod method) {
    std::vector<ColourRow> rows;
    const ColourValues& v = rc.shown;
    RowWriter w(rows, v);
    w.Add("ヘッド / 記録", head < 0 ? std::string("ヘッドが選択されていません")
                                    : CFormat("%d / %d", head + 1, record + 1));
    std::string kind = MethodName(method);
    if (v.sample)
        kind += v.illuminant == SampleIlluminant::D50 ? "（D50, 2° 視野）" : "（D65, 2° 視野）";
    w.Add("計測方法", kind);
    if (v.outOfRange) w.Add("注意", "1000 % を超える値を含みます（基準を確かめてください）");
    if (v.refusal == ColourRefusal::NoSpectrum) {
        w.Add("色彩値", ColourRefusalText(v.refusal));
        return rows;
    }
    // A spectrum refused as a whole gives one line for all CIE values; its
    // shape may still be there (a spectrum short of 380..780 nm).
    if (v.refusal != ColourRefusal::None) {
        w.Add("CIE 値", RefusalFor(v, v.refusal));
    } else {
        Chromaticities(w, v);
        if (v.sample)
            Sample(w, v);
        else
            LightSource(w, v);
        Dominant(w, v);
    }
    Shape(w, v);
    if (rc.hasComparison) {
        const ColourDifference& d = rc.difference;
        // When the displayed record is fine, a refusal is the comparison's:
        // saying so keeps the operator from checking the wrong references.
        const std::string why = d.refusal == ColourRefusal::None || v.refusal != ColourRefusal::None
                                    ? std::string()
                                    : ComparisonRefusalText(rc, method);
        auto add = [&](const char* label, const char* fmt, double value) {
            if (why.empty())
                w.Value(label, d.refusal, fmt, value);
            else
                w.Add(label, why);
        };
        if (v.sample) {
            add("比較との色差 ΔE*ab", "%.2f", d.deltaEab);
            add("比較との色差 ΔE00", "%.2f", d.deltaE00);
        } else {
            add("比較との色度差 Δu'v'", "%.4f", d.deltaUvPrime);
        }
    }
    return rows;
}

std::string ColourRowsText(const std::vector<ColourRow>& rows) {
    std::string text;
    for (const ColourRow& r : rows) text += r.label + "\t" + r.value + "\r\n";
    return text;
}

std::string ColourRefusalText(ColourRefusal refusal) {
    switch (refusal) {
        case ColourRefusal::None:
            return "";
        case ColourRefusal::NoSpectrum:
            return "表示する記録がありません";
        case ColourRefusal::NotANumber:
            return "数値でない値を含むため計算できません";
        case ColourRefusal::NotCovered:
            return "380～780 nm に届かないため計算できません";
        case ColourRefusal::Dark:
            return "暗いスペクトルのため計算できません";
        case ColourRefusal::OutOfRange:
            return "範囲外です（1000～100000 K）";
        case ColourRefusal::FarFromLocus:
            return "黒体軌跡から離れすぎています（|Duv| > 0.05）";
        case ColourRefusal::NoReference:
            return "基準光のない色温度です（25000 K 超）";
        case ColourRefusal::NoHue:
            return "白色点上のため求められません";
        case ColourRefusal::NoHalfMaximum:
            return "半値まで下がらないため求められません";
        case ColourRefusal::NotComparable:
            return "比較できません";
        case ColourRefusal::BadMagnitude:
            return "値が大きすぎるか小さすぎるため計算できません";
    }
    return "";
}

const char* ColourRefusalCode(ColourRefusal refusal) {
    switch (refusal) {
        case ColourRefusal::None:
            return "";
        case ColourRefusal::NoSpectrum:
            return "no-spectrum";
        case ColourRefusal::NotANumber:
            return "not-a-number";
        case ColourRefusal::NotCovered:
            return "not-covered";
        case ColourRefusal::Dark:
            return "dark";
        case ColourRefusal::OutOfRange:
            return "out-of-range";
        case ColourRefusal::FarFromLocus:
            return "far-from-locus";
        case ColourRefusal::NoReference:
            return "no-reference";
        case ColourRefusal::NoHue:
            return "no-hue";
        case ColourRefusal::NoHalfMaximum:
            return "no-half-maximum";
        case ColourRefusal::NotComparable:
            return "not-comparable";
        case ColourRefusal::BadMagnitude:
            return "value-out-of-range";
    }
    return "";
}

}  // namespace vmf
