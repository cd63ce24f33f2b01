#pragma once
// Accepting connections for the live server: the listener counts them,
// refuses the one beyond the limit with 503, and wraps each in TLS when a
// certificate is set; and the one writer of every answer.

#include <QByteArray>
#include <QSslConfiguration>
#include <QTcpServer>
#include <string>
#include <utility>
#include <vector>

class QTcpSocket;

namespace vmf {

class LiveServer;

class LiveListener : public QTcpServer {
    Q_OBJECT
public:
    LiveListener(LiveServer& server, QObject* parent) : QTcpServer(parent), server_(server) {}
    // Reads PEM certificate and key; false with the operator's reason.
    bool SetTls(const std::string& certFile, const std::string& keyFile, std::string& error);
    bool Tls() const { return tls_; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QTcpSocket* Wrap(qintptr descriptor);
    LiveServer& server_;
    bool tls_ = false;
    QSslConfiguration ssl_;
};

using LiveHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

// A whole answer, then the connection is closed once it is written.
void WriteLiveResponse(QTcpSocket* socket, int status, const QByteArray& contentType,
                       const QByteArray& body, const LiveHeaders& extra = {});

}  // namespace vmf
