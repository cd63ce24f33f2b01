#include "live/LiveAccess.h"

#include <array>
#include <charconv>
#include <random>

namespace vmf {

bool TokenMatches(std::string_view given, std::string_view expected) {
    if (expected.empty()) return false;
    // Every byte of the given text is looked at whatever the expected one
    // holds, and the lengths are folded in last, so the time says nothing
    // about where the first difference lies.
    unsigned diff = 0;
    for (std::size_t i = 0; i < given.size(); ++i) {
        const unsigned char e = static_cast<unsigned char>(expected[i % expected.size()]);
        diff |= static_cast<unsigned>(static_cast<unsigned char>(given[i]) ^ e);
    }
    diff |= static_cast<unsigned>(given.size() != expected.size());
    return diff == 0;
}

std::string NewLiveToken() {
    std::random_device device;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        uint32_t bits = device();
        for (int k = 0; k < 8; ++k, bits >>= 4) token += kHex[bits & 15u];
    }
    return token;
}

std::string TokenOfRequest(std::string_view authorization, std::string_view queryToken) {
    constexpr std::string_view kBearer = "Bearer ";
    if (authorization.size() > kBearer.size() && authorization.substr(0, kBearer.size()) == kBearer)
        return std::string(authorization.substr(kBearer.size()));
    return std::string(queryToken);
}

bool TokenRequired(bool peerIsLoopback, bool requireEverywhere) {
    return requireEverywhere || !peerIsLoopback;
}

namespace {

// The page's own files: the only names a path may give besides the API.
constexpr std::array<std::string_view, 3> kPageFiles = {"live.js", "live.css", "favicon.svg"};

bool SafePath(std::string_view path) {
    if (path.empty() || path.front() != '/') return false;
    for (char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '\\' || c == '%') return false;
    }
    std::size_t start = 1;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view segment = path.substr(start, end - start);
        if (segment == ".." || segment == ".") return false;
        start = end + 1;
    }
    return true;
}

bool ParseIndex(std::string_view text, int limit, int& out) {
    if (text.empty() || text.size() > 6) return false;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value >= limit)
        return false;
    out = value;
    return true;
}

}  // namespace

LiveRequestTarget ClassifyLivePath(std::string_view path) {
    LiveRequestTarget t;
    if (!SafePath(path)) return t;
    if (path == "/" || path == "/index.html") {
        t.route = LiveRoute::Page;
        return t;
    }
    for (std::string_view f : kPageFiles) {
        if (path.size() == f.size() + 1 && path.substr(1) == f) {
            t.route = LiveRoute::PageFile;
            t.file = std::string(f);
            return t;
        }
    }
    if (path == "/api/v1/status") t.route = LiveRoute::Status;
    if (path == "/api/v1/latest") t.route = LiveRoute::Latest;
    if (path == "/api/v1/peaks") t.route = LiveRoute::Peaks;
    if (path == "/api/v1/stream") t.route = LiveRoute::Stream;
    if (t.route != LiveRoute::NotFound) return t;

    // /api/v1/heads/{a}/records/{r}
    constexpr std::string_view kHeads = "/api/v1/heads/";
    constexpr std::string_view kRecords = "/records/";
    if (path.substr(0, kHeads.size()) != kHeads) return t;
    const std::string_view rest = path.substr(kHeads.size());
    const std::size_t mid = rest.find(kRecords);
    if (mid == std::string_view::npos) return t;
    int a = 0, r = 0;
    // 10 head slots, 86400 record slots.
    if (!ParseIndex(rest.substr(0, mid), 10, a) ||
        !ParseIndex(rest.substr(mid + kRecords.size()), 86400, r))
        return t;
    t.route = LiveRoute::Record;
    t.head = a;
    t.record = r;
    return t;
}

int LiveMethodStatus(std::string_view method) { return method == "GET" ? 0 : 405; }

bool ParseLiveListen(std::string_view text, LiveListen& out, std::string& error) {
    LiveListen result;
    std::string_view port = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view address = text.substr(0, colon);
        // [::1]:8750 names an IPv6 address.
        if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
            address = address.substr(1, address.size() - 2);
        if (address.empty()) {
            error = "the address before ':' is empty";
            return false;
        }
        result.address = std::string(address);
        port = text.substr(colon + 1);
    }
    if (!ParseIndex(port, 65536, result.port)) {
        error = "the port must be a number from 0 (any free port) to 65535";
        return false;
    }
    out = result;
    return true;
}

}  // namespace vmf
