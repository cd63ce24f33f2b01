#pragma once
// The panel's one-shot timers without a window system: what the command-line
// runner and the core tests use in place of the GUI's timers. A timer started
// again replaces its pending due time. Time comes from the given clock (the
// real tick counter or a test's fake).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace vmf {

class TimerSchedule {
public:
    static constexpr int kTimers = 5;  // ids 1..5

    explicit TimerSchedule(std::function<uint32_t()> clock) : clock_(std::move(clock)) {}

    void Start(int id, int ms);
    void Stop(int id);
    bool Pending(int id) const;
    // Due tick of a pending timer.
    std::optional<uint32_t> Due(int id) const;
    // The pending timer due first (lowest id on a tie), as id and due tick.
    std::optional<std::pair<int, uint32_t>> Next() const;
    bool Any() const { return Next().has_value(); }
    uint32_t Now() const { return clock_(); }

private:
    std::function<uint32_t()> clock_;
    std::array<std::optional<uint32_t>, kTimers> due_{};
};

// Calls the handler of each panel timer, stopping the timer first (every
// handler restarts its timer only when more work is due).
class TimerDispatch {
public:
    using Handler = std::function<void(uint32_t now)>;
    using Stopper = std::function<void(int id)>;

    explicit TimerDispatch(Stopper stop) : stop_(std::move(stop)) {}
    void Set(int id, Handler handler);
    // Unknown ids and timers without a handler are ignored.
    void Fire(int id, uint32_t now);

private:
    Stopper stop_;
    std::array<Handler, TimerSchedule::kTimers> handlers_{};
};

}  // namespace vmf
