#include "acquire/TimerSchedule.h"

namespace vmf {

namespace {
bool Valid(int id) { return id >= 1 && id <= TimerSchedule::kTimers; }
}  // namespace

void TimerSchedule::Start(int id, int ms) {
    if (!Valid(id)) return;
    due_[id - 1] = clock_() + static_cast<uint32_t>(ms < 0 ? 0 : ms);
}

void TimerSchedule::Stop(int id) {
    if (Valid(id)) due_[id - 1].reset();
}

bool TimerSchedule::Pending(int id) const { return Valid(id) && due_[id - 1].has_value(); }

std::optional<uint32_t> TimerSchedule::Due(int id) const {
    if (!Valid(id)) return std::nullopt;
    return due_[id - 1];
}

std::optional<std::pair<int, uint32_t>> TimerSchedule::Next() const {
    std::optional<std::pair<int, uint32_t>> best;
    const uint32_t now = clock_();
    for (int i = 0; i < kTimers; ++i) {
        if (!due_[i]) continue;
        // Compare by distance from now so the order survives the tick wrap.
        const auto ahead = static_cast<int32_t>(*due_[i] - now);
        if (!best || ahead < static_cast<int32_t>(best->second - now))
            best.emplace(i + 1, *due_[i]);
    }
    return best;
}

void TimerDispatch::Set(int id, Handler handler) {
    if (Valid(id)) handlers_[id - 1] = std::move(handler);
}

void TimerDispatch::Fire(int id, uint32_t now) {
    if (!Valid(id)) return;
    if (stop_) stop_(id);
    if (handlers_[id - 1]) handlers_[id - 1](now);
}

}  // namespace vmf
