#include "live/LiveConnections.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

#include "live/LiveServer.h"

namespace vmf {
namespace {

QByteArray ReadSmallFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    // A certificate or key is a few kilobytes; anything large is not one.
    if (!f.open(QIODevice::ReadOnly) || f.size() > 1024 * 1024) return {};
    return f.readAll();
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Bad Request";
    }
}

}  // namespace

bool LiveListener::SetTls(const std::string& certFile, const std::string& keyFile,
                          std::string& error) {
    if (!QSslSocket::supportsSsl()) {
        error = "この環境では HTTPS を使えません (SSL ライブラリがありません)。";
        return false;
    }
    const QByteArray certText = ReadSmallFile(certFile);
    const QByteArray keyText = ReadSmallFile(keyFile);
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certText, QSsl::Pem);
    QSslKey key(keyText, QSsl::Rsa, QSsl::Pem);
    if (key.isNull()) key = QSslKey(keyText, QSsl::Ec, QSsl::Pem);
    if (chain.isEmpty() || chain.first().isNull() || key.isNull()) {
        error = "証明書または秘密鍵を読み込めません: " + certFile + ", " + keyFile;
        return false;
    }
    ssl_ = QSslConfiguration::defaultConfiguration();
    ssl_.setLocalCertificateChain(chain);
    ssl_.setPrivateKey(key);
    ssl_.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls_ = true;
    return true;
}

QTcpSocket* LiveListener::Wrap(qintptr descriptor) {
    if (!tls_) {
        auto* socket = new QTcpSocket;
        if (socket->setSocketDescriptor(descriptor)) return socket;
        delete socket;
        return nullptr;
    }
    auto* socket = new QSslSocket;
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return nullptr;
    }
    socket->setSslConfiguration(ssl_);
    // Plain HTTP (or anything else) on the TLS port ends the connection.
    connect(socket, &QSslSocket::errorOccurred, socket, [socket](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::RemoteHostClosedError) socket->abort();
    });
    connect(socket, &QSslSocket::sslErrors, socket, [socket] { socket->abort(); });
    socket->startServerEncryption();
    return socket;
}

void LiveListener::incomingConnection(qintptr descriptor) {
    QTcpSocket* socket = Wrap(descriptor);
    if (!socket) return;
    if (server_.Full()) {
        server_.Refuse(socket);
        return;
    }
    server_.Adopt(socket);
    addPendingConnection(socket);
}

void WriteLiveResponse(QTcpSocket* socket, int status, const QByteArray& contentType,
                       const QByteArray& body, const LiveHeaders& extra) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    // The page's address carries the token: it must not travel on.
    head += "Referrer-Policy: no-referrer\r\nConnection: close\r\n";
    for (const auto& [key, value] : extra) head += key + ": " + value + "\r\n";
    head += "\r\n";
    socket->write(head + body);
    socket->disconnectFromHost();
}

}  // namespace vmf
