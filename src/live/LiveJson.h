#pragma once
// JSON pieces shared by the live routes. Floats are written as the shortest
// text that reads back as the same float (never the widened double's noise
// digits); NaN and infinities, which JSON cannot hold, are null.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "live/LiveSnapshot.h"
#include "spectrum/RecordTrend.h"

namespace vmf {

using LiveJsonObject = nlohmann::ordered_json;

LiveJsonObject FloatJson(float v);
LiveJsonObject DoubleJson(double v);
// Appends "[v0,v1,...]".
void AppendFloatArray(std::string& out, const float* v, int n);
// obj's text with ,"key":[...] added before its closing brace: the long
// arrays are written straight, not built as JSON values first.
std::string DumpWithArray(const LiveJsonObject& obj, std::string_view key, const float* v, int n);

const char* MethodName(MeasuringMethod m);   // "light", "reflectance", "transmittance"
const char* MeasuringName(LiveMeasuring m);  // "stopped", "measuring", "interval"
// The panel's pen colour of head a as "#rrggbb": the count curves', or the
// ratio curves' on a ratio axis.
std::string HeadColourText(int a, bool ratio);

// The values of one record under the names `varnello-cli trend` uses.
void AddTrendValues(LiveJsonObject& obj, const TrendPoint& p);

}  // namespace vmf
