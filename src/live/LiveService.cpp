#include "live/LiveService.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QNetworkInterface>
#include <QSslSocket>
#include <QThread>

#include "live/LiveServer.h"

namespace vmf {

struct LiveService::Thread {
    QThread thread;
    QObject anchor;  // lives on the thread: the place to run work there
    // varnello-cli has no application object; the server's event loop needs one.
    std::unique_ptr<QCoreApplication> app;
    int argc = 1;
    char name[16] = "varnello-live";
    char* argv[2] = {name, nullptr};
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
    t->thread.setObjectName(QStringLiteral("live-view"));
    t->anchor.moveToThread(&t->thread);
    t->thread.start();
    LiveServer* server = nullptr;
    int port = 0;
    QMetaObject::invokeMethod(
        &t->anchor,
        [&] {
            auto s = std::make_unique<LiveServer>(*this, config);
            if (s->Listen(error)) {
                port = s->Port();
                server = s.release();
            }
        },
        Qt::BlockingQueuedConnection);
    if (!server) {
        t->thread.quit();
        t->thread.wait();
        return false;
    }
    thread_ = std::move(t);
    server_ = server;
    port_ = port;
    return true;
}

void LiveService::Stop() {
    if (!thread_) return;
    LiveServer* server = server_;
    server_ = nullptr;
    QMetaObject::invokeMethod(
        &thread_->anchor, [server] { delete server; }, Qt::BlockingQueuedConnection);
    thread_->thread.quit();
    thread_->thread.wait();
    thread_.reset();
    port_ = 0;
    const std::lock_guard<std::mutex> hold(pendingMutex_);
    pending_.clear();
}

void LiveService::Publish(std::shared_ptr<const LiveSnapshot> snapshot) {
    if (!server_) return;
    {
        const std::lock_guard<std::mutex> hold(pendingMutex_);
        pending_.push_back(std::move(snapshot));
        // A server far behind keeps only the newest hand-overs.
        constexpr std::size_t kMaxPending = 64;
        if (pending_.size() > kMaxPending) pending_.erase(pending_.begin());
    }
    if (!wakeQueued_.exchange(true))
        QMetaObject::invokeMethod(server_, &LiveServer::Drain, Qt::QueuedConnection);
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
