// The live view's core: the access rules, and the published JSON against the
// store it was taken from.

#include <gtest/gtest.h>

#include <charconv>
#include <nlohmann/json.hpp>
#include <string>

#include "LiveBench.h"
#include "live/LiveAccess.h"
#include "live/LiveBoard.h"
#include "spectrum/RecordTrend.h"

namespace vmf::test {
namespace {

using Json = nlohmann::json;

TEST(LiveAccess, TokenRouteMethodAndListenRules) {
    EXPECT_TRUE(TokenMatches("abc123", "abc123"));
    EXPECT_FALSE(TokenMatches("abc124", "abc123"));
    EXPECT_FALSE(TokenMatches("abc12", "abc123"));
    EXPECT_FALSE(TokenMatches("abc1234", "abc123"));
    EXPECT_FALSE(TokenMatches("", ""));  // no token set lets no one in
    EXPECT_EQ(NewLiveToken().size(), 32u);
    EXPECT_NE(NewLiveToken(), NewLiveToken());
    EXPECT_EQ(TokenOfRequest("Bearer xyz", "q"), "xyz");
    EXPECT_EQ(TokenOfRequest("Basic xyz", "q"), "q");
    EXPECT_TRUE(TokenRequired(false, false));
    EXPECT_FALSE(TokenRequired(true, false));
    EXPECT_TRUE(TokenRequired(true, true));

    EXPECT_EQ(ClassifyLivePath("/").route, LiveRoute::Page);
    EXPECT_EQ(ClassifyLivePath("/live.js").file, "live.js");
    EXPECT_EQ(ClassifyLivePath("/api/v1/status").route, LiveRoute::Status);
    EXPECT_EQ(ClassifyLivePath("/api/v1/stream").route, LiveRoute::Stream);
    const LiveRequestTarget rec = ClassifyLivePath("/api/v1/heads/1/records/86399");
    EXPECT_EQ(rec.route, LiveRoute::Record);
    EXPECT_EQ(rec.head, 1);
    EXPECT_EQ(rec.record, 86399);
    for (const char* bad :
         {"/../etc/passwd", "/api/v1/../v1/status", "/%2e%2e/x", "/live.js/..", "\\live.js",
          "/api/v1/heads/10/records/0", "/api/v1/heads/0/records/86400",
          "/api/v1/heads/-1/records/0", "/api/v1/heads/0/records/1x", "/api/v1/heads//records/0",
          "/api/v1/status/", "/index.html\x01", "", "live.css", "/./live.css"})
        EXPECT_EQ(ClassifyLivePath(bad).route, LiveRoute::NotFound) << bad;

    EXPECT_EQ(LiveMethodStatus("GET"), 0);
    for (const char* m : {"POST", "PUT", "DELETE", "HEAD", "OPTIONS", "get"})
        EXPECT_EQ(LiveMethodStatus(m), 405) << m;

    LiveListen l;
    std::string error;
    ASSERT_TRUE(ParseLiveListen("9000", l, error));
    EXPECT_EQ(l.address, "");
    EXPECT_EQ(l.port, 9000);
    ASSERT_TRUE(ParseLiveListen("0.0.0.0:8750", l, error));
    EXPECT_EQ(l.address, "0.0.0.0");
    ASSERT_TRUE(ParseLiveListen("[::1]:81", l, error));
    EXPECT_EQ(l.address, "::1");
    for (const char* bad : {"65536", ":80", "host:", "80a", ""})
        EXPECT_FALSE(ParseLiveListen(bad, l, error)) << bad;
}

// The float's shortest text: what the JSON must carry, digit for digit.
std::string Shortest(double v) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, static_cast<float>(v));
    return std::string(text, end);
}

// A number of the JSON text read back as the float it names.
std::string ShortestOf(const Json& j) { return Shortest(j.get<double>()); }

TEST(LiveBoard, RoutesGiveTheStoresValuesBitForBit) {
    Cvarnello_mfDoc doc;
    KeptSnapshots kept;
    MeasureLive(doc, kept, 12);
    ASSERT_EQ(kept.all.size(), 12u);
    LiveBoard board;
    for (const auto& s : kept.all) board.Absorb(s);

    TrendOptions options;
    options.colour = options.ra = true;
    for (int a = 0; a < 2; ++a) {
        const std::vector<TrendPoint> trend = ComputeHeadTrend(doc, a, options);
        ASSERT_EQ(trend.size(), 12u);
        for (int r : {0, 11}) {
            const auto text = board.RecordJson(a, r);
            ASSERT_TRUE(text);
            const Json j = Json::parse(*text);
            EXPECT_EQ(j["record"], r + 1);
            EXPECT_EQ(j["serialNo"], a == 0 ? "SN000001" : "SN000002");
            EXPECT_EQ(j["exposureUs"], 5000);
            EXPECT_EQ(j["time"], "2025-12-06T14:46:40.123+09:00");
            const TrendPoint& p = trend[static_cast<size_t>(r)];
            for (const char* key : {"peakValue", "average", "minimum", "maximum", "temperatureC",
                                    "infoCieX", "infoCieY"}) {
                const auto info = std::find_if(TrendValues().begin(), TrendValues().end(),
                                               [&](auto& i) { return std::string(i.key) == key; });
                EXPECT_EQ(ShortestOf(j[key]), Shortest(p[info->value])) << key;
                // The text itself is the shortest one, not the widened double's.
                EXPECT_NE(text->find("\"" + std::string(key) + "\":" + Shortest(p[info->value])),
                          std::string::npos)
                    << key;
            }
            EXPECT_EQ(j["peakNm"].get<double>(), p[TrendValue::PeakNm]);
            EXPECT_EQ(j["spectrum"].size(), 511u);
        }
        EXPECT_FALSE(board.RecordJson(a, 12));  // not counted
    }

    // The latest route: the newest record of each head, the same values.
    const Json latest = Json::parse(board.LatestJson());
    EXPECT_EQ(latest["seq"], 12);
    EXPECT_EQ(latest["heads"].size(), 2u);
    const Json& h1 = latest["heads"][1];
    const TrendPoint last = ComputeHeadTrend(doc, 1, options)[11];
    EXPECT_EQ(h1["record"], 12);
    EXPECT_EQ(h1["recordCount"], 12);
    EXPECT_EQ(ShortestOf(h1["average"]), Shortest(last[TrendValue::Average]));
    EXPECT_EQ(ShortestOf(h1["minimum"]), Shortest(last[TrendValue::Minimum]));
    EXPECT_EQ(h1["peakNm"].get<double>(), last[TrendValue::PeakNm]);

    const Json status = Json::parse(board.StatusJson("1.35"));
    EXPECT_EQ(status["version"], "1.35");
    EXPECT_EQ(status["method"], "light");
    EXPECT_EQ(status["measuring"], "measuring");
    EXPECT_EQ(status["heads"][1]["serialNo"], "SN000002");
    EXPECT_EQ(status["heads"][1]["headKind"], "C12880MA");
    EXPECT_EQ(status["heads"][1]["colour"], "#00cd00");

    // Every hand-over's peak is in the strip; the stream carries the newest.
    const Json peaks = Json::parse(board.PeaksJson());
    EXPECT_EQ(peaks["heads"][0]["points"].size(), 12u);
    EXPECT_EQ(peaks["heads"][0]["points"][11][1], 12);
    const Json message = Json::parse(board.StreamMessage());
    EXPECT_EQ(message["seq"], 12);
    EXPECT_EQ(message["heads"][0]["peaks"].size(), 12u);
    EXPECT_EQ(message["heads"][0]["spectrum"].size(), 511u);
    // The info line the panel shows for head 0's newest record.
    SpectrumWorkspace ws;
    ws.displaySpectrum[0] = kept.all.back()->heads[0].grid;
    EXPECT_EQ(message["info"], ws.UpdateInfoBarText(doc, 0, DISPLAY_KIND_STATISTICS, 11, 8192));
    EXPECT_EQ(message["info"].get<std::string>().rfind("average=", 0), 0u);

    // Records cleared and measured anew are not the ones a snapshot taken
    // before named: its slot 0 is refused, not read as the new record.
    KeptSnapshots again;
    MeasureLive(doc, again, 3);
    ASSERT_TRUE(doc.recProcessed(0, 0));
    EXPECT_FALSE(board.RecordJson(0, 0));
}

TEST(LiveBoard, RatioAxisSendsTheRatioInTheRatioColours) {
    Cvarnello_mfDoc doc;
    KeptSnapshots kept;
    MeasureLive(doc, kept, 2, 1, MeasuringMethod::Reflectance);
    LiveBoard board;
    board.Absorb(kept.all.back());
    const Json message = Json::parse(board.StreamMessage());
    EXPECT_EQ(message["axis"], "ratio");
    EXPECT_EQ(message["method"], "reflectance");
    EXPECT_EQ(message["axisMax"], 160);
    EXPECT_EQ(message["heads"][0]["colour"], "#3c3cff");
}

}  // namespace
}  // namespace vmf::test
