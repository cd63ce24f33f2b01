#include "live/LiveServe.h"

#include <fstream>

#include "live/LiveInputs.h"
#include "live/LiveService.h"

namespace vmf {

LiveServe::LiveServe() = default;
LiveServe::~LiveServe() {
    if (service_) service_->Stop();
}

bool LiveServe::Start(const LiveServeOptions& options, std::string& error, std::string& notice) {
    const std::string& tokenFile = options.tokenFile;
    LiveListen where;
    if (!ParseLiveListen(options.listen, where, error)) {
        error = "--serve " + options.listen + ": " + error;
        return false;
    }
    LiveServiceConfig config;
    config.address = where.address == "0.0.0.0" || where.address == "::" ? "*" : where.address;
    config.port = where.port;
    config.tokenEverywhere = options.tokenAlways;
    config.certFile = options.certFile;
    config.keyFile = options.keyFile;
    if (!tokenFile.empty()) {
        std::ifstream in(tokenFile);
        std::getline(in, config.token);
        while (!config.token.empty() && (config.token.back() == '\r' || config.token.back() == ' '))
            config.token.pop_back();
        if (!in && config.token.empty()) {
            error = "--token-file " + tokenFile + ": cannot be read";
            return false;
        }
        if (config.token.size() < 8) {
            error = "--token-file " + tokenFile + ": the token needs at least 8 characters";
            return false;
        }
    } else {
        config.token = NewLiveToken();
    }
    service_ = std::make_unique<LiveService>();
    std::string why;
    if (!service_->Start(config, why)) {
        notice = "ライブビューを開始できません: " + why + " 測定は続けます。";
        service_.reset();
        return true;
    }
    publisher_ = std::make_unique<LivePublisher>(*service_);
    std::string host = config.address.empty()  ? "127.0.0.1"
                       : config.address == "*" ? LiveService::LanAddress()
                                               : config.address;
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    url_ = std::string(config.certFile.empty() ? "http://" : "https://") + host + ":" +
           std::to_string(service_->Port()) + "/?token=" + config.token;
    return true;
}

std::function<void(const AcquisitionContext&)> LiveServe::Observer() {
    if (!publisher_) return {};
    LivePublisher* publisher = publisher_.get();
    return [publisher](const AcquisitionContext& ctx) { publisher->HandOver(LiveInputsOf(ctx)); };
}

}  // namespace vmf
