#include "live/LiveService.h"

#include <QCoreApplication>
#include <QNetworkInterface>
#include <QSslSocket>
#include <QThread>
#include <condition_variable>

#include "live/LiveServer.h"

namespace vmf {

namespace {

// The server's thread: the server is made, runs and is deleted here, where
// its sockets live. What the thread tells the owner (listening or why not,
// then ended) goes through a std::mutex and condition variable instead of
// Qt's blocking calls, so every hand-over between the two threads is one the
// thread sanitizer can follow.
class ServerThread : public QThread {
public:
    enum class Phase { Starting, Listening, Failed, Ended };
    ServerThread(LiveService& service, const LiveServiceConfig& config)
        : service_(service), config_(config) {
        setObjectName(QStringLiteral("live-view"));
    }
    // Waits until the thread has left `phase`; the state it reached.
    Phase WaitPast(Phase phase) {
        std::unique_lock<std::mutex> hold(mutex_);
        changed_.wait(hold, [&] { return phase_ != phase; });
        return phase_;
    }
    // After WaitPast(Starting): the server when listening, else the reason.
    LiveServer* server = nullptr;
    int port = 0;
    std::string error;

protected:
    void run() override {
        auto s = std::make_unique<LiveServer>(service_, config_);
        std::string why;
        const bool listening = s->Listen(why);
        Enter(listening ? Phase::Listening : Phase::Failed, [&] {
            server = listening ? s.get() : nullptr;
            port = listening ? s->Port() : 0;
            error = why;
        });
        if (listening) exec();
        s.reset();
        Enter(Phase::Ended, [] {});
    }

private:
    // Notifies under the lock: the owner may delete this object as soon as
    // it sees Ended, which it cannot before the lock is let go.
    template <class F>
    void Enter(Phase phase, F&& set) {
        const std::lock_guard<std::mutex> hold(mutex_);
        set();
        phase_ = phase;
        changed_.notify_all();
    }
    LiveService& service_;
    const LiveServiceConfig config_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Phase phase_ = Phase::Starting;
};

}  // namespace

struct LiveService::Thread {
    // varnello-cli has no application object; the server's event loop needs one.
    int argc = 1;
    char name[16] = "varnello-live";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<ServerThread> thread;  // ends before the application object
};

LiveService::LiveService() = default;

LiveService::~LiveService() { Stop(); }

bool LiveService::Start(const LiveServiceConfig& config, std::string& error) {
    Stop();
    auto t = std::make_unique<Thread>();
    if (!QCoreApplication::instance())
        t->app = std::make_unique<QCoreApplication>(t->argc, t->argv);
    // Qt loads its TLS backend on first use. Loaded first on the server's
    // thread, the Windows backend left the program unable to end: its exit
    // waited for good once the thread had gone. Loaded here, on the thread
    // that ends the program, it goes with the program.
    (void)QSslSocket::supportsSsl();
    t->thread = std::make_unique<ServerThread>(*this, config);
    t->thread->start();
    if (t->thread->WaitPast(ServerThread::Phase::Starting) != ServerThread::Phase::Listening) {
        t->thread->WaitPast(ServerThread::Phase::Failed);
        t->thread->wait();
        error = t->thread->error;
        return false;
    }
    {
        const std::lock_guard<std::mutex> hold(pendingMutex_);
        server_ = t->thread->server;
    }
    port_ = t->thread->port;
    thread_ = std::move(t);
    return true;
}

void LiveService::Stop() {
    if (!thread_) return;
    {
        // From here no Publish reaches the server; a wake it already queued
        // goes with the server, so the next start begins without one.
        const std::lock_guard<std::mutex> hold(pendingMutex_);
        server_ = nullptr;
        pending_.clear();
        wakeQueued_ = false;
    }
    thread_->thread->quit();
    thread_->thread->WaitPast(ServerThread::Phase::Listening);
    thread_->thread->wait();
    thread_.reset();
    port_ = 0;
}

void LiveService::Publish(std::shared_ptr<const LiveSnapshot> snapshot) {
    const std::lock_guard<std::mutex> hold(pendingMutex_);
    if (!server_) return;
    pending_.push_back(std::move(snapshot));
    // A server far behind keeps only the newest hand-overs.
    constexpr std::size_t kMaxPending = 64;
    if (pending_.size() > kMaxPending) pending_.erase(pending_.begin());
    // One wake until the server has taken what waits; under the lock, so a
    // Stop on another thread cannot delete the server in between.
    if (!wakeQueued_) {
        wakeQueued_ = true;
        emit server_->HandedOver();
    }
}

std::string LiveService::LanAddress() {
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString().toStdString();
    return "127.0.0.1";
}

LiveServiceStats LiveService::Stats() const {
    LiveServiceStats s;
    s.connections = connections_.load();
    s.streamClients = streamClients_.load();
    s.messagesSent = sent_.load();
    s.messagesDropped = dropped_.load();
    s.largestQueue = largestQueue_.load();
    s.refused = refused_.load();
    return s;
}

void LiveService::CollectLatencies(bool on) { collectLatencies_.store(on); }

std::vector<int64_t> LiveService::TakeLatencies() {
    const std::lock_guard<std::mutex> hold(latencyMutex_);
    std::vector<int64_t> out;
    out.swap(latencies_);
    return out;
}

void LiveService::SetErrorHandler(std::function<void(const std::string&)> handler) {
    onError_ = std::move(handler);
}

}  // namespace vmf
