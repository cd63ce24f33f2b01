#pragma once
// `varnello-cli acquire --serve [ADDR:]PORT [--token-file FILE]`: the live
// view of a headless run. No Qt here; the server runs on its own thread and
// the run's hand-overs reach it through the observer.

#include <functional>
#include <memory>
#include <string>

#include "acquire/AcquisitionContext.h"

namespace vmf {

class LiveService;
class LivePublisher;

struct LiveServeOptions {
    std::string listen;             // [ADDR:]PORT; PORT 0: any free port
    std::string tokenFile;          // empty: a new token
    bool tokenAlways = false;       // the token also from this computer
    std::string certFile, keyFile;  // HTTPS when given
};

class LiveServe {
public:
    LiveServe();
    ~LiveServe();
    // Starts serving. The token comes from the file's first line; without a
    // file one is made. False with the reason (English): a bad address or
    // an unreadable token file refuses the run; a server that cannot start
    // (port taken) returns true with `notice` set, and the run goes on.
    bool Start(const LiveServeOptions& options, std::string& error, std::string& notice);
    // The address to give to colleagues (with the token); empty when not serving.
    std::string Url() const { return url_; }
    // For HeadlessAcquisition::SetHandOverObserver.
    std::function<void(const AcquisitionContext&)> Observer();

private:
    std::unique_ptr<LiveService> service_;
    std::unique_ptr<LivePublisher> publisher_;
    std::string url_;
};

}  // namespace vmf
