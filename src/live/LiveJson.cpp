#include "live/LiveJson.h"

#include <charconv>
#include <cmath>

#include "panel/GraphMath.h"
#include "store/RecordTime.h"

namespace vmf {

LiveJsonObject FloatJson(float v) {
    if (!std::isfinite(v)) return nullptr;
    // The float's shortest text read as a double prints back as that text.
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    double d = static_cast<double>(v);
    if (ec == std::errc()) std::from_chars(text, end, d);
    return d;
}

LiveJsonObject DoubleJson(double v) {
    if (!std::isfinite(v)) return nullptr;
    return v;
}

void AppendFloatArray(std::string& out, const float* v, int n) {
    out += '[';
    char text[32];
    for (int i = 0; i < n; ++i) {
        if (i) out += ',';
        if (!std::isfinite(v[i])) {
            out += "null";
            continue;
        }
        const auto [end, ec] = std::to_chars(text, text + sizeof text, v[i]);
        out.append(text, ec == std::errc() ? end : text);
    }
    out += ']';
}

std::string DumpWithArray(const LiveJsonObject& obj, std::string_view key, const float* v, int n) {
    std::string out = obj.dump(-1, ' ', false, LiveJsonObject::error_handler_t::replace);
    out.pop_back();  // '}'
    if (out.size() > 1) out += ',';
    out += '"';
    out += key;
    out += "\":";
    AppendFloatArray(out, v, n);
    out += '}';
    return out;
}

const char* MethodName(MeasuringMethod m) {
    switch (m) {
        case MeasuringMethod::Reflectance:
            return "reflectance";
        case MeasuringMethod::Transmittance:
            return "transmittance";
        default:
            return "light";
    }
}

const char* MeasuringName(LiveMeasuring m) {
    switch (m) {
        case LiveMeasuring::Measuring:
            return "measuring";
        case LiveMeasuring::IntervalWaiting:
            return "interval";
        default:
            return "stopped";
    }
}

std::string HeadColourText(int a, bool ratio) {
    const Rgb c = ratio ? RatioColour(a) : MeasuredColour(a);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "#";
    for (uint8_t v : {c.r, c.g, c.b}) {
        out += kHex[v >> 4];
        out += kHex[v & 15];
    }
    return out;
}

void AddTrendValues(LiveJsonObject& obj, const TrendPoint& p) {
    if (p.utcMs != 0) {
        obj["utcMs"] = p.utcMs;
        obj["time"] = FormatRecordTime(p.utcMs, p.utcOffsetS);
    }
    for (const TrendValueInfo& info : TrendValues()) {
        // Most values are floats widened to double: those get the float's
        // shortest text; a true double (CCT, Duv, Ra) keeps all its digits.
        const double v = p[info.value];
        const float f = static_cast<float>(v);
        obj[info.key] = static_cast<double>(f) == v ? FloatJson(f) : DoubleJson(v);
    }
}

}  // namespace vmf
