#include "live/LiveServer.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QTcpSocket>
#include <QUrlQuery>
#include <algorithm>
#include <chrono>
#include <vector>

#include "live/LiveConnections.h"
#include "live/RoutePage.h"

namespace vmf {
namespace {

constexpr int kSweepMs = 250;
constexpr qint64 kPingMs = 15000;

enum ToldKind : unsigned { kToldAccept = 1u };

const QByteArray kJson = "application/json; charset=utf-8";

QByteArray ErrorJson(const char* code) { return QByteArray("{\"error\":\"") + code + "\"}"; }

// A request without the token from this computer is let in only when it
// names this computer: a page elsewhere that points a name of its own at
// 127.0.0.1 must not read the API through the operator's browser.
bool LoopbackHost(const QByteArray& host) {
    QByteArray name = host;
    const int colon = name.lastIndexOf(':');
    if (colon >= 0 && !name.endsWith(']')) name.truncate(colon);
    name = name.toLower();
    return name == "localhost" || name == "127.0.0.1" || name == "[::1]";
}

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

LiveServer::LiveServer(LiveService& service, const LiveServiceConfig& config)
    : service_(service), config_(config) {
    clock_.start();
    listener_ = new LiveListener(*this, this);
    connect(&sweep_, &QTimer::timeout, this, &LiveServer::Sweep);
    sweep_.start(kSweepMs);
    pace_.setSingleShot(true);
    // A coarse timer may fire a twentieth of its time late, and that time
    // is a message's delay.
    pace_.setTimerType(Qt::PreciseTimer);
    connect(&pace_, &QTimer::timeout, this, [this] { SendToStreams(false); });
    // Queued even when emitted on this thread: Publish only posts.
    connect(this, &LiveServer::HandedOver, this, &LiveServer::Drain, Qt::QueuedConnection);
}

LiveServer::~LiveServer() {
    // Stop took this server out of the hand-over queue under the queue's
    // lock before it ended the event loop; taking the lock once more orders
    // the deletion after the last Publish that signalled this server, by a
    // lock the thread sanitizer sees (the loop's end is Qt's hand-over).
    { const std::lock_guard<std::mutex> hold(service_.pendingMutex_); }
    // The sockets go with the server; their destroyed() must not reach a
    // half-destroyed map.
    // Every open connection ends with the server, whoever its parent is.
    std::vector<QTcpSocket*> open;
    for (auto& [socket, c] : connections_) open.push_back(socket);
    connections_.clear();
    for (QTcpSocket* socket : open) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        delete socket;
    }
    for (QObject* child : children()) disconnect(child, &QObject::destroyed, this, nullptr);
    service_.connections_.store(0);
    service_.streamClients_.store(0);
}

bool LiveServer::Listen(std::string& error) {
    if (!config_.certFile.empty() || !config_.keyFile.empty()) {
        if (!listener_->SetTls(config_.certFile, config_.keyFile, error)) return false;
    }
    QHostAddress address(QHostAddress::LocalHost);
    if (config_.address == "*")
        address = QHostAddress::Any;
    else if (!config_.address.empty() &&
             !address.setAddress(QString::fromStdString(config_.address))) {
        error = "待ち受けるアドレスが正しくありません: " + config_.address;
        return false;
    }
    if (!listener_->listen(address, static_cast<quint16>(config_.port))) {
        error = listener_->serverError() == QAbstractSocket::AddressInUseError
                    ? "ポート " + std::to_string(config_.port) + " はほかのプログラムが使用中です。"
                    : "ライブビューのサーバーを開始できません: " +
                          listener_->errorString().toStdString();
        return false;
    }
    connect(listener_, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        TellOnce(kToldAccept, "ライブビューが接続を受け付けられません: " +
                                  listener_->errorString().toStdString());
    });
    bind(listener_);
    return true;
}

int LiveServer::Port() const { return listener_->serverPort(); }

bool LiveServer::Full() const { return connections_.size() >= kMaxLiveClients; }

void LiveServer::Adopt(QTcpSocket* socket) {
    Connection& c = connections_[socket];
    c.lastActivityMs = Now();
    service_.connections_.store(static_cast<int>(connections_.size()));
    // Connected before the HTTP server's own handler, so a request head
    // beyond the cap is refused before anything parses it.
    connect(socket, &QIODevice::readyRead, this, [this, socket] { OnReadyRead(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { Forget(socket); });
}

void LiveServer::Refuse(QTcpSocket* socket) {
    service_.refused_.fetch_add(1);
    socket->setParent(this);
    // A flood of refusals is cut off without an answer beyond a few dozen.
    constexpr int kMaxRefusing = 64;
    if (refusing_ >= kMaxRefusing) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++refusing_;
    connect(socket, &QObject::destroyed, this, [this] { --refusing_; });
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    // One that never takes its answer is not kept either.
    QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    WriteLiveResponse(socket, 503, kJson, ErrorJson("too-many-clients"), {{"Retry-After", "5"}});
}

void LiveServer::Forget(QTcpSocket* socket) {
    const auto it = connections_.find(socket);
    if (it == connections_.end()) return;
    if (it->second.stream) service_.streamClients_.fetch_sub(1);
    connections_.erase(it);
    service_.connections_.store(static_cast<int>(connections_.size()));
}

void LiveServer::OnReadyRead(QTcpSocket* socket) {
    const auto it = connections_.find(socket);
    if (it == connections_.end()) return;
    Connection& c = it->second;
    c.lastActivityMs = Now();
    if (c.answered) {
        // Nothing more is asked on an answered connection: dropped unread.
        socket->skip(socket->bytesAvailable());
        return;
    }
    c.received += socket->bytesAvailable();
    if (c.received <= static_cast<qint64>(kMaxRequestHeadBytes)) return;
    c.answered = true;
    disconnect(socket, &QIODevice::readyRead, static_cast<QAbstractHttpServer*>(this), nullptr);
    connect(socket, &QIODevice::readyRead, this, [this, socket] { OnReadyRead(socket); });
    socket->skip(socket->bytesAvailable());
    WriteLiveResponse(socket, 431, kJson, ErrorJson("request-too-large"));
}

std::string LiveServer::RequestToken(const QHttpServerRequest& request) {
    const QString query =
        request.query().queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded);
    return TokenOfRequest(request.value("authorization").toStdString(), query.toStdString());
}

bool LiveServer::Authorised(const QHttpServerRequest& request, QTcpSocket* socket) const {
    const bool loopback = socket->peerAddress().isLoopback();
    if (!TokenRequired(loopback, config_.tokenEverywhere) && LoopbackHost(request.value("host")))
        return true;
    return TokenMatches(RequestToken(request), config_.token);
}

bool LiveServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const auto it = connections_.find(socket);
    if (it == connections_.end() || it->second.answered) return true;
    Connection& c = it->second;
    c.answered = true;
    const LiveRequestTarget target =
        ClassifyLivePath(request.url().path(QUrl::FullyEncoded).toStdString());
    const bool page = target.route == LiveRoute::Page || target.route == LiveRoute::PageFile;

    if (!Authorised(request, socket)) {
        if (target.route == LiveRoute::Page)
            WriteLiveResponse(socket, 401, "text/html; charset=utf-8", DeniedPage());
        else
            WriteLiveResponse(socket, 401, kJson, ErrorJson("unauthorized"),
                              {{"WWW-Authenticate", "Bearer"}});
        return true;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        WriteLiveResponse(socket, 405, kJson, ErrorJson("method-not-allowed"), {{"Allow", "GET"}});
        return true;
    }
    switch (target.route) {
        case LiveRoute::Status:
            WriteLiveResponse(socket, 200, kJson,
                              QByteArray::fromStdString(board_.StatusJson(VMF_PROGRAM_VERSION)));
            return true;
        case LiveRoute::Latest:
            WriteLiveResponse(socket, 200, kJson, QByteArray::fromStdString(board_.LatestJson()));
            return true;
        case LiveRoute::Peaks:
            WriteLiveResponse(socket, 200, kJson, QByteArray::fromStdString(board_.PeaksJson()));
            return true;
        case LiveRoute::Record:
            if (auto body = board_.RecordJson(target.head, target.record))
                WriteLiveResponse(socket, 200, kJson, QByteArray::fromStdString(*body));
            else
                WriteLiveResponse(socket, 404, kJson, ErrorJson("no-such-record"));
            return true;
        case LiveRoute::Stream:
            StartStream(socket, c);
            return true;
        default:
            break;
    }
    QByteArray body, type;
    if (page &&
        PageFile(target.route == LiveRoute::Page ? "index.html" : target.file, body, type)) {
        if (target.route == LiveRoute::Page) body = PageWithToken(body, RequestToken(request));
        WriteLiveResponse(socket, 200, type, body, PageHeaders());
    } else
        WriteLiveResponse(socket, 404, kJson, ErrorJson("not-found"));
    return true;
}

void LiveServer::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    WriteLiveResponse(socket, 404, kJson, ErrorJson("not-found"));
}

void LiveServer::StartStream(QTcpSocket* socket, Connection& c) {
    c.stream = true;
    service_.streamClients_.fetch_add(1);
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream; charset=utf-8\r\n"
        "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
        "Referrer-Policy: no-referrer\r\nConnection: keep-alive\r\n\r\nretry: 2000\n\n");
    c.sentAtMs = Now() - kStreamMinGapMs;
    // A message goes out whole at once: Nagle's wait for the acknowledgement
    // of the one before would only delay its last packet.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    SendToStreams();
}

void LiveServer::Drain() {
    std::vector<std::shared_ptr<const LiveSnapshot>> taken;
    {
        const std::lock_guard<std::mutex> hold(service_.pendingMutex_);
        service_.wakeQueued_ = false;
        taken.swap(service_.pending_);
    }
    if (taken.empty()) return;
    const LiveSnapshot* before = board_.Latest();
    const int64_t sinceNs = before ? before->handOverNs : 0;
    for (auto& s : taken) board_.Absorb(std::move(s));
    if (sinceNs != 0)
        cadenceNs_ = std::max<int64_t>(0, board_.Latest()->handOverNs - sinceNs) /
                     static_cast<int64_t>(taken.size());
    SendToStreams();
}

void LiveServer::SendToStreams(bool handOver) {
    const LiveSnapshot* latest = board_.Latest();
    if (!latest) return;
    const qint64 now = Now();
    qint64 nextDue = -1;
    if (!handOver) {
        // A client came due between hand-overs: the next one is waited for
        // as long as the measurement's pace says it is coming, then the one
        // there goes. A fixed wait of a whole gap sent every message that
        // missed its hand-over a gap late, and on a busy machine later still.
        const int64_t holdNs =
            std::min<int64_t>(int64_t{kStreamMinGapMs} * 1000000, cadenceNs_ + cadenceNs_ / 2);
        const int64_t ageNs = SteadyNs() - latest->handOverNs;
        if (ageNs < holdNs) {
            pace_.start(static_cast<int>((holdNs - ageNs + 999999) / 1000000));
            return;
        }
    }
    QByteArray frame;  // the same bytes for every client
    for (auto& [socket, c] : connections_) {
        if (!c.stream || c.sentSeq == latest->seq) continue;
        const qint64 wait = c.sentAtMs + kStreamMinGapMs - now;
        if (wait > 0) {
            nextDue = nextDue < 0 ? wait : std::min(nextDue, wait);
            continue;
        }
        const qint64 queued = socket->bytesToWrite();
        if (queued > kMaxQueuedBytes) {
            // A client that does not read loses frames, never the server's
            // memory: it gets the newest one once it has drained.
            if (c.skippedSeq != latest->seq) service_.dropped_.fetch_add(1);
            c.skippedSeq = latest->seq;
            if (c.fullSinceMs < 0) c.fullSinceMs = now;
            nextDue = nextDue < 0 ? kStreamMinGapMs : std::min<qint64>(nextDue, kStreamMinGapMs);
            continue;
        }
        c.fullSinceMs = -1;
        if (frame.isEmpty()) {
            const std::string& message = board_.StreamMessage();
            frame.reserve(static_cast<qsizetype>(message.size() + 8));
            frame += "data: ";
            frame.append(message.data(), static_cast<qsizetype>(message.size()));
            frame += "\n\n";
        }
        socket->write(frame);
        socket->flush();
        if (service_.collectLatencies_.load(std::memory_order_relaxed)) {
            const std::lock_guard<std::mutex> hold(service_.latencyMutex_);
            service_.latencies_.push_back(SteadyNs() - latest->handOverNs);
        }
        const qint64 after = socket->bytesToWrite();
        if (after > service_.largestQueue_.load()) service_.largestQueue_.store(after);
        service_.sent_.fetch_add(1);
        c.sentSeq = latest->seq;
        c.sentAtMs = now;
        c.lastActivityMs = now;
    }
    if (nextDue >= 0 && (!pace_.isActive() || pace_.remainingTime() > nextDue))
        pace_.start(static_cast<int>(nextDue));
}

void LiveServer::Sweep() {
    const qint64 now = Now();
    std::vector<QTcpSocket*> idle;
    for (auto& [socket, c] : connections_) {
        if (c.stream) {
            const bool stuck = c.fullSinceMs >= 0 && now - c.fullSinceMs > config_.idleCloseMs;
            if (stuck)
                idle.push_back(socket);
            else if (now - c.lastActivityMs > kPingMs && socket->bytesToWrite() == 0) {
                socket->write(": \n\n");  // keeps routers from dropping a quiet stream
                c.lastActivityMs = now;
            }
        } else if (now - c.lastActivityMs > config_.idleCloseMs) {
            idle.push_back(socket);
        }
    }
    for (QTcpSocket* socket : idle) socket->abort();
}

void LiveServer::TellOnce(int kind, const std::string& text) {
    if (told_ & static_cast<unsigned>(kind)) return;
    told_ |= static_cast<unsigned>(kind);
    if (service_.onError_) service_.onError_(text);
}

}  // namespace vmf
