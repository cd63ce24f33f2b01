#pragma once
// Who may see the live view and what a request may ask for. The server only
// carries what these rules decide: the token check, the route a request line
// names, and the limits every connection is held to.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vmf {

// Limits of the live server. A client beyond kMaxLiveClients is refused with
// 503; a request whose line and headers pass kMaxRequestHeadBytes is refused
// with 431; a connection silent for kIdleCloseMs is closed; a stream client
// that has more than kMaxQueuedBytes waiting loses frames until it drains.
inline constexpr int kMaxLiveClients = 16;
inline constexpr std::size_t kMaxRequestHeadBytes = 8192;
inline constexpr int kIdleCloseMs = 30000;
inline constexpr std::int64_t kMaxQueuedBytes = 256 * 1024;
// At most 30 stream messages a second per client: one every 34 ms.
inline constexpr int kStreamMinGapMs = 34;
inline constexpr int kDefaultLivePort = 8750;

// Equal token texts, in a time that depends only on the lengths: an
// observer cannot learn a token one character at a time. An empty expected
// token never matches.
bool TokenMatches(std::string_view given, std::string_view expected);

// A fresh token: 32 lower-case hexadecimal digits (128 random bits).
std::string NewLiveToken();

// The token a request carries: "Authorization: Bearer T" first, else the
// query item token=T (percent-decoded by the caller). Empty when none.
std::string TokenOfRequest(std::string_view authorizationHeader, std::string_view queryToken);

// Whether a request from this peer needs the token: everything from beyond
// this computer, and everything when the operator asked for it everywhere.
bool TokenRequired(bool peerIsLoopback, bool requireEverywhere);

enum class LiveRoute {
    Page,      // "/" and "/index.html"
    PageFile,  // one of the page's embedded files
    Status,    // /api/v1/status
    Latest,    // /api/v1/latest
    Record,    // /api/v1/heads/{a}/records/{r}
    Peaks,     // /api/v1/peaks
    Stream,    // /api/v1/stream (Server-Sent Events)
    NotFound,
};

struct LiveRequestTarget {
    LiveRoute route = LiveRoute::NotFound;
    std::string file;  // PageFile: the embedded file's name
    int head = -1;     // Record
    int record = -1;   // Record
};

// The route of a request path (without the query). Anything not in the
// route table is NotFound, as is every path with a ".." segment, a
// backslash, a percent sign or a control character: nothing outside the
// embedded files can be named.
LiveRequestTarget ClassifyLivePath(std::string_view path);

// HTTP status for a method: 0 when allowed (GET only), 405 otherwise.
int LiveMethodStatus(std::string_view method);

// "[ADDR:]PORT" of `--serve`: ADDR empty means this computer only, PORT 0
// any free port. False (and the reason, English) for a port outside
// 0..65535 or a bad form.
struct LiveListen {
    std::string address;  // empty: loopback
    int port = kDefaultLivePort;
};
bool ParseLiveListen(std::string_view text, LiveListen& out, std::string& error);

}  // namespace vmf
