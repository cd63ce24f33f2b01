// GET / (and /index.html, /live.js, /live.css, /favicon.svg): the live page.

#include "live/RoutePage.h"

#include <QFile>

namespace vmf {

bool PageFile(const std::string& name, QByteArray& body, QByteArray& type) {
    struct Entry {
        const char* name;
        const char* type;
    };
    static constexpr Entry kFiles[] = {
        {"index.html", "text/html; charset=utf-8"},
        {"live.js", "text/javascript; charset=utf-8"},
        {"live.css", "text/css; charset=utf-8"},
        {"favicon.svg", "image/svg+xml"},
    };
    for (const Entry& e : kFiles) {
        if (name != e.name) continue;
        QFile f(QStringLiteral(":/live/") + QString::fromLatin1(e.name));
        if (!f.open(QIODevice::ReadOnly)) return false;
        body = f.readAll();
        type = e.type;
        return true;
    }
    return false;
}

QByteArray PageWithToken(QByteArray html, const std::string& token) {
    if (token.empty()) return html;
    const QByteArray query = "?token=" + QByteArray::fromStdString(token).toPercentEncoding();
    for (const char* file : {"live.js\"", "live.css\"", "favicon.svg\""}) {
        QByteArray name(file);
        name.chop(1);
        html.replace(file, name + query + '"');
    }
    return html;
}

LiveHeaders PageHeaders() {
    return {{"Content-Security-Policy",
             "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
             "connect-src 'self'; base-uri 'none'; frame-ancestors 'none'"},
            {"X-Frame-Options", "DENY"}};
}

QByteArray DeniedPage() {
    return "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>アクセスが拒否されました</title></head><body style=\"font-family:sans-serif;"
           "padding:2em\"><h1 id=\"denied\">アクセスが拒否されました (401)</h1>"
           "<p>このページを見るには、測定している人から受け取ったアクセス用トークン付きの URL "
           "を開いてください。</p></body></html>";
}

}  // namespace vmf
