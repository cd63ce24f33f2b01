#pragma once
// The live server on a thread of its own, for the program and varnello-cli.
// The measuring side hands it snapshots through Publish, which never waits:
// serialising and sending happen on the server's thread. No Qt in this
// header, so the command line's sources stay free of it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "live/LiveAccess.h"
#include "live/LiveSnapshot.h"

namespace vmf {

struct LiveServiceConfig {
    // Empty: this computer only (loopback); "*": every interface; otherwise
    // an address of this computer.
    std::string address;
    int port = kDefaultLivePort;  // 0: any free port (tests)
    std::string token;
    // The token also from this computer (tests of the rule, a shared PC).
    bool tokenEverywhere = false;
    // HTTPS when both are given (PEM files).
    std::string certFile, keyFile;
    int idleCloseMs = kIdleCloseMs;
};

struct LiveServiceStats {
    int connections = 0;
    int streamClients = 0;
    uint64_t messagesSent = 0;
    uint64_t messagesDropped = 0;  // skipped for a client whose queue was full
    int64_t largestQueue = 0;      // bytes waiting at any client, the most seen
    uint64_t refused = 0;          // connections refused with 503
};

class LiveServer;

class LiveService : public LiveSink {
public:
    LiveService();
    ~LiveService() override;  // stops the server
    LiveService(const LiveService&) = delete;
    LiveService& operator=(const LiveService&) = delete;

    // Starts the thread and listens. False, with the reason for the operator
    // (Japanese), when the port is taken, the address is not this
    // computer's or the certificate cannot be read; nothing then runs.
    bool Start(const LiveServiceConfig& config, std::string& error);
    void Stop();
    bool Running() const { return server_ != nullptr; }
    // An address of this computer its colleagues can reach (the first
    // non-loopback IPv4 address), or 127.0.0.1 when it has none.
    static std::string LanAddress();
    int Port() const { return port_; }

    // Any thread; never waits for the server (only for the queue's lock,
    // which the server holds for a swap).
    void Publish(std::shared_ptr<const LiveSnapshot> snapshot) override;

    LiveServiceStats Stats() const;
    // Nanoseconds from each hand-over to its message leaving the server,
    // one entry per message sent, collected while `on` (bench).
    void CollectLatencies(bool on);
    std::vector<int64_t> TakeLatencies();

    // Told once per kind of failure while running (Japanese), on the
    // server's thread. Set before Start.
    void SetErrorHandler(std::function<void(const std::string&)> handler);

private:
    friend class LiveServer;
    struct Thread;
    std::unique_ptr<Thread> thread_;
    int port_ = 0;
    // The hand-over queue. server_ is written by Start and Stop under the
    // lock, so a Publish from another thread never wakes a deleted server.
    std::mutex pendingMutex_;
    LiveServer* server_ = nullptr;
    std::vector<std::shared_ptr<const LiveSnapshot>> pending_;
    bool wakeQueued_ = false;  // a wake is on its way to the server
    std::function<void(const std::string&)> onError_;
    // Written by the server's thread, read by anyone.
    std::atomic<int> connections_{0}, streamClients_{0};
    std::atomic<uint64_t> sent_{0}, dropped_{0}, refused_{0};
    std::atomic<int64_t> largestQueue_{0};
    std::atomic<bool> collectLatencies_{false};
    std::mutex latencyMutex_;
    std::vector<int64_t> latencies_;
};

}  // namespace vmf
