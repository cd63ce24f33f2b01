#pragma once
// The live page: its files embedded as Qt resources (no file on disk is ever
// served), the headers that keep it to itself, and the page a browser gets
// without the token.

#include <QByteArray>
#include <string>

#include "live/LiveConnections.h"

namespace vmf {

// The embedded file `name` ("index.html", "live.js", ...) and its type;
// false for any other name.
bool PageFile(const std::string& name, QByteArray& body, QByteArray& type);
// The page with the token carried on to its own files' addresses, which
// need it as much as the page does (percent-encoded; empty: unchanged).
QByteArray PageWithToken(QByteArray html, const std::string& token);
// Content-Security-Policy and friends: the page loads nothing from elsewhere.
LiveHeaders PageHeaders();
// "Access denied" in Japanese, for the page's address without the token.
QByteArray DeniedPage();

}  // namespace vmf
