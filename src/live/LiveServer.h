#pragma once
// The live server proper, on the service's thread: Qt HTTP Server parses the
// requests and hands each to handleRequest, which applies the access rules
// and answers from the board; the stream's clients are kept here and sent the
// newest message at most every 34 ms. Every connection is one request (the
// answer closes it) or one stream, so a client is a connection.

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "live/LiveBoard.h"
#include "live/LiveService.h"

class QSslConfiguration;
class QTcpSocket;

namespace vmf {

class LiveListener;

class LiveServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    LiveServer(LiveService& service, const LiveServiceConfig& config);
    ~LiveServer() override;
    // Listens as configured; false with the operator's reason.
    bool Listen(std::string& error);
    int Port() const;

    // Takes the snapshots handed over since the last call.
    void Drain();

    // For the listener: a connection it accepted, or one it must refuse.
    void Adopt(QTcpSocket* socket);
    void Refuse(QTcpSocket* socket);
    bool Full() const;

signals:
    // Emitted by Publish on the measuring side; runs Drain on this thread.
    // The wake is Qt's posted event and carries nothing: the snapshots go
    // through the service's queue and its lock.
    void HandedOver();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Connection {
        qint64 received = 0;  // bytes of the request so far
        qint64 lastActivityMs = 0;
        bool answered = false;
        bool stream = false;
        uint64_t sentSeq = 0;
        uint64_t skippedSeq = 0;
        qint64 sentAtMs = -1000000;
        qint64 fullSinceMs = -1;  // its queue has been over the cap since then
    };
    void OnReadyRead(QTcpSocket* socket);
    void Forget(QTcpSocket* socket);
    bool Authorised(const QHttpServerRequest& request, QTcpSocket* socket) const;
    static std::string RequestToken(const QHttpServerRequest& request);
    void StartStream(QTcpSocket* socket, Connection& c);
    // Sends the newest message to every stream client that is due. Off a
    // hand-over (the pace timer), a message goes once the next hand-over is
    // overdue: one that is about to come goes out the moment it arrives
    // rather than a cycle late.
    void SendToStreams(bool handOver = true);
    void Sweep();
    void TellOnce(int kind, const std::string& text);
    qint64 Now() const { return clock_.elapsed(); }

    LiveService& service_;
    LiveServiceConfig config_;
    LiveBoard board_;
    LiveListener* listener_ = nullptr;
    std::unordered_map<QTcpSocket*, Connection> connections_;
    QElapsedTimer clock_;
    QTimer sweep_;
    QTimer pace_;
    unsigned told_ = 0;
    // Steady-clock time between hand-overs lately (the measurement's pace).
    int64_t cadenceNs_ = int64_t{kStreamMinGapMs} * 1000000;
    int refusing_ = 0;  // refused connections still being answered
};

}  // namespace vmf
