// The live server on loopback: each route's answer, the access rules on the
// wire, the connection limits, a client that stops reading, and a bounded
// run of malformed requests.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "LiveBench.h"
#include "LiveClient.h"
#include "live/LiveService.h"

namespace vmf::test {
namespace {

using Json = nlohmann::json;

struct Served {
    Cvarnello_mfDoc doc;
    LiveService service;
    KeptSnapshots kept;
    explicit Served(LiveServiceConfig config = {}, int records = 5) {
        config.port = 0;
        config.token = "secret-token-1";
        std::string error;
        EXPECT_TRUE(service.Start(config, error)) << error;
        kept.forward = &service;
        MeasureLive(doc, kept, records);
        WaitFor([&] {
            const std::string r = Get("/api/v1/status", "Authorization: Bearer secret-token-1\r\n");
            return Json::parse(BodyOf(r))["seq"] == records;
        });
    }
    int Port() const { return service.Port(); }
    std::string Get(const std::string& target, const std::string& headers = {}) {
        return HttpGet(Port(), target, headers);
    }
    template <class F>
    static bool WaitFor(F done, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

TEST(LiveServer, RoutesAnswerFromTheStoreAndRefuseWhatIsNotThere) {
    Served s;
    const std::string status = s.Get("/api/v1/status");
    EXPECT_EQ(StatusOf(status), 200);
    EXPECT_NE(status.find("Content-Type: application/json"), std::string::npos);
    const Json st = Json::parse(BodyOf(status));
    EXPECT_EQ(st["headCount"], 2);
    EXPECT_EQ(st["heads"][0]["recordCount"], 5);
    EXPECT_EQ(st["version"], "1.35");

    const Json rec = Json::parse(BodyOf(s.Get("/api/v1/heads/1/records/4")));
    EXPECT_EQ(rec["record"], 5);
    EXPECT_EQ(static_cast<float>(rec["temperatureC"].get<double>()), s.doc.recTemperatureC(1, 4));
    EXPECT_EQ(StatusOf(s.Get("/api/v1/heads/1/records/5")), 404);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/heads/2/records/0")), 404);
    EXPECT_EQ(Json::parse(BodyOf(s.Get("/api/v1/latest")))["heads"][0]["record"], 5);
    EXPECT_EQ(Json::parse(BodyOf(s.Get("/api/v1/peaks")))["heads"][1]["points"].size(), 5u);

    const std::string page = s.Get("/");
    EXPECT_EQ(StatusOf(page), 200);
    EXPECT_NE(page.find("Content-Security-Policy: default-src 'none'"), std::string::npos);
    EXPECT_EQ(StatusOf(s.Get("/live.js")), 200);

    for (const char* path : {"/../etc/passwd", "/api/v1/../../etc/passwd", "/%2e%2e/etc/passwd",
                             "/..%2fetc%2fpasswd", "/api/v2/status", "/CMakeLists.txt"})
        EXPECT_EQ(StatusOf(s.Get(path)), 404) << path;
    for (const char* method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
        const std::string r = HttpGet(s.Port(), "/api/v1/status", "Content-Length: 0\r\n", method);
        EXPECT_EQ(StatusOf(r), 405) << method;
        EXPECT_NE(r.find("Allow: GET"), std::string::npos);
    }
}

TEST(LiveServer, TheTokenIsNeededWhereTheRuleAsksForIt) {
    LiveServiceConfig config;
    config.tokenEverywhere = true;  // loopback stands in for a colleague's tablet
    Served s(config, 2);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status")), 401);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status", "Authorization: Bearer wrong\r\n")), 401);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status?token=secret-token-")), 401);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status", "Authorization: Bearer secret-token-1\r\n")), 200);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status?token=secret-token-1")), 200);
    const std::string denied = s.Get("/");
    EXPECT_EQ(StatusOf(denied), 401);
    EXPECT_NE(denied.find("アクセスが拒否されました (401)"), std::string::npos);
    // Unknown paths and methods say nothing more to a stranger.
    EXPECT_EQ(StatusOf(s.Get("/nothing")), 401);
    EXPECT_EQ(StatusOf(HttpGet(s.Port(), "/", "", "DELETE")), 401);
    // Without a token, a page of another site that reaches this computer
    // under a name of its own is refused even on loopback.
    Served open;
    EXPECT_EQ(StatusOf(HttpGet(open.Port(), "/api/v1/status", "Host: evil.example\r\n")), 401);
}

TEST(LiveServer, LimitsConnectionsHeadersAndIdleClients) {
    LiveServiceConfig config;
    config.idleCloseMs = 300;
    Served s(config, 1);
    std::vector<std::unique_ptr<LoopbackSocket>> streams;
    for (int i = 0; i < 16; ++i) {
        streams.push_back(std::make_unique<LoopbackSocket>(s.Port()));
        streams.back()->Send("GET /api/v1/stream HTTP/1.1\r\nHost: localhost\r\n\r\n");
        EXPECT_NE(streams.back()->Read(3000, "data: ").find("data: {\"seq\":1"), std::string::npos);
    }
    const std::string refused = s.Get("/api/v1/status");
    EXPECT_EQ(StatusOf(refused), 503);
    EXPECT_EQ(s.service.Stats().refused, 1u);
    streams.pop_back();
    ASSERT_TRUE(Served::WaitFor([&] { return s.service.Stats().connections < 16; }));
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status")), 200);

    // A request head beyond 8 KiB is refused, never answered 200.
    const std::string huge = s.Get("/api/v1/status", "X-Pad: " + std::string(9000, 'a') + "\r\n");
    EXPECT_NE(StatusOf(huge), 200);
    EXPECT_TRUE(StatusOf(huge) == 431 || huge.empty()) << huge.substr(0, 40);
    const std::string fits = s.Get("/api/v1/status", "X-Pad: " + std::string(7000, 'a') + "\r\n");
    EXPECT_EQ(StatusOf(fits), 200);

    // A connection that never asks anything is closed.
    LoopbackSocket silent(s.Port());
    silent.Read(3000);
    EXPECT_TRUE(silent.ClosedByPeer());
}

TEST(LiveServer, AClientThatStopsReadingLosesFramesNotTheServersMemory) {
    Served s({}, 1);
    LoopbackSocket stalled(s.Port(), 4096);  // small, so it fills soon
    stalled.Send("GET /api/v1/stream HTTP/1.1\r\nHost: localhost\r\n\r\n");
    LoopbackSocket reader(s.Port());
    reader.Send("GET /api/v1/stream HTTP/1.1\r\nHost: localhost\r\n\r\n");
    ASSERT_TRUE(Served::WaitFor([&] { return s.service.Stats().streamClients == 2; }));

    // Ten heads' spectra, handed over far faster than anyone reads them.
    Cvarnello_mfDoc doc;
    KeptSnapshots none;
    MeasureLive(doc, none, 1, 10);
    LivePublisher publisher(s.service);
    SpectrumWorkspace ws;
    LiveInputs in;
    in.doc = &doc;
    in.workspace = &ws;
    in.measuring = true;
    int handed = 0;  // this publisher's hand-overs, numbered from 1
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (s.service.Stats().messagesDropped < 5 && std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 50; ++i, ++handed) publisher.HandOver(in);
        reader.Read(20);
    }
    EXPECT_GE(s.service.Stats().messagesDropped, 5u);
    // Bounded: the cap plus the one message that crossed it.
    EXPECT_LE(s.service.Stats().largestQueue, kMaxQueuedBytes + 64 * 1024);
    // The reading client still gets the newest hand-over, also one that came
    // too soon after the one before for it and nothing came after.
    auto gotNewest = [&] {
        const std::string last = "data: {\"seq\":" + std::to_string(handed) + ",";
        return reader.Read(5000, last).find(last) != std::string::npos;
    };
    publisher.HandOver(in);
    publisher.HandOver(in);
    handed += 2;
    EXPECT_TRUE(gotNewest());
    // Also when the measurement's pace says another is coming and none does.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    publisher.HandOver(in);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    publisher.HandOver(in);
    handed += 2;
    EXPECT_TRUE(gotNewest());
}

TEST(LiveServer, RestartsWhileAnotherThreadKeepsHandingOver) {
    Cvarnello_mfDoc doc;
    KeptSnapshots none;
    MeasureLive(doc, none, 1);
    SpectrumWorkspace ws;
    LiveInputs in;
    in.doc = &doc;
    in.workspace = &ws;
    LiveService service;
    LiveServiceConfig config;
    config.port = 0;
    std::string error;
    // The measuring side hands over on its own thread all the while; a stop
    // in between must neither wake a deleted server nor leave the next start
    // waiting for a wake that went with the old one.
    std::atomic<bool> stop{false};
    std::atomic<int> handed{0};
    std::thread measuring([&] {
        LivePublisher publisher(service);
        for (; !stop.load(); ++handed) publisher.HandOver(in);
    });
    ASSERT_TRUE(Served::WaitFor([&] { return handed.load() > 0; }));
    // Stopped as soon as a hand-over has reached the new server, mostly
    // before its wake could be taken.
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(service.Start(config, error)) << error;
        const int since = handed.load();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (handed.load() < since + 2 && std::chrono::steady_clock::now() < end) {
        }
        service.Stop();
    }
    stop.store(true);
    measuring.join();
    ASSERT_TRUE(service.Start(config, error)) << error;
    LivePublisher publisher(service);
    publisher.HandOver(in);
    auto seq = [&] {
        return Json::parse(BodyOf(HttpGet(service.Port(), "/api/v1/status")))["seq"].get<int>();
    };
    EXPECT_TRUE(Served::WaitFor([&] { return seq() == 1; }));
}

TEST(LiveServer, SurvivesABoundedRunOfMalformedRequests) {
    Served s({}, 1);
    std::mt19937 rng(27);
    const std::vector<std::string> pieces = {"GET ",
                                             "POST ",
                                             "/api/v1/status",
                                             "/..",
                                             "%00",
                                             "\r\n",
                                             "Host: x\r\n",
                                             "HTTP/1.1",
                                             "HTTP/9.9",
                                             "Content-Length: -1\r\n",
                                             "Transfer-Encoding: chunked\r\n",
                                             "\xff\xfe",
                                             "Upgrade: websocket\r\n",
                                             "Connection: Upgrade\r\n",
                                             "?token=",
                                             std::string(300, 'A'),
                                             "\r\n\r\n",
                                             " ",
                                             ":",
                                             "\0"};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int sent = 0;
    for (; sent < 2000 && std::chrono::steady_clock::now() < end; ++sent) {
        std::string request;
        const int n = static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) request += pieces[rng() % pieces.size()];
        if (rng() % 4 == 0) request += std::string(rng() % 64, static_cast<char>(rng()));
        LoopbackSocket c(s.Port());
        c.Send(request);
        if (rng() % 8 == 0) c.Read(20);
    }
    EXPECT_EQ(sent, 2000);
    EXPECT_EQ(StatusOf(s.Get("/api/v1/status")), 200);
}

}  // namespace
}  // namespace vmf::test
