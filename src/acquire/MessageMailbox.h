#pragma once
// Message-area lines posted by a worker thread and shown by the panel's
// thread at its next timer step: a worker never touches a widget.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace vmf {

class MessageMailbox {
public:
    using Message = std::pair<std::string, std::string>;  // line 1, line 2 (UTF-8)

    void Post(std::string line1, std::string line2 = {}) {
        std::lock_guard lock(mutex_);
        pending_.emplace_back(std::move(line1), std::move(line2));
    }
    // Everything posted since the last call, oldest first.
    std::vector<Message> Take() {
        std::lock_guard lock(mutex_);
        std::vector<Message> out;
        out.swap(pending_);
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<Message> pending_;
};

}  // namespace vmf
