#pragma once
// The panel as far as the acquisition cycle needs one, for runs without a
// window (the command line tool, benchmarks): the edits give the run's
// options, the timers are a TimerSchedule, nothing is drawn.

#include <functional>
#include <string>

#include "acquire/AcquisitionHost.h"
#include "acquire/TimerSchedule.h"
#include "common/PanelOptions.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

class ScheduleHost : public AcquisitionHost {
public:
    ScheduleHost(TimerSchedule& timers, const Cvarnello_mfDoc& doc, const PanelOptions& options,
                 const int& selectedHead)
        : timers_(timers), doc_(doc), options_(options), selectedHead_(selectedHead) {}

    void ShowMessage(const std::string&, const std::string&) override {}
    void ShowInfo(const std::string&) override {}
    void DrawGraph() override {}
    void UpdateInfoBar(int) override {}
    void ReprocessDisplayed() override {}
    void ShowPosition() override {}
    void ShowRecordCount() override {}
    void ApplyControls(const ControlEnable*, int) override {}
    void ApplyModeDisplay(const ModeDisplayState&) override {}
    void EnableControl(int, bool) override {}
    void SetStartCaption(const std::string&) override {}
    std::string EditText(int id) override {
        switch (id) {
            case 1005:
                return selectedHead_ >= 0 && selectedHead_ < MAX_HEADS
                           ? std::to_string(doc_.exposureUs[selectedHead_])
                           : std::string();
            case 1012:
                return std::to_string(options_.averageCount);
            case 1017:
                return std::to_string(options_.intervalMs);
            default:
                return {};
        }
    }
    void StartTimer(int id, int ms) override { timers_.Start(id, ms); }
    void StopTimer(int id) override { timers_.Stop(id); }
    void AutoSaveCsv() override {}
    void CycleHandedOver() override {
        if (onHandedOver) onHandedOver();
    }

    // Runs at the end of every hand-over (the runner counts and stops there).
    std::function<void()> onHandedOver;

private:
    TimerSchedule& timers_;
    const Cvarnello_mfDoc& doc_;
    const PanelOptions& options_;
    const int& selectedHead_;
};

}  // namespace vmf
