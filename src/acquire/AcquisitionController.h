#pragma once
// The acquisition control on the real panel: connects the panel's controls
// (found by their "ctrlId") to the cycle, the mode and option commands, the
// dark measurement and the reference registration, owns the panel's timers
// 2, 4 and 5, and implements AcquisitionHost with the panel's widgets. The
// panel constructs one with a reference to itself and keeps it for its
// lifetime; everything here runs on the GUI thread.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/AcquisitionHost.h"
#include "acquire/DarkMeasurement.h"
#include "acquire/OptionCommands.h"
#include "acquire/ReferenceRegistration.h"
#include "acquire/TimerSchedule.h"
#include "csv/AutoSaveCsv.h"
#include "csv/AutoSaveReporter.h"

namespace vmf {

class Cvarnello_mfView;

class AcquisitionController : public QObject, private AcquisitionHost {
    Q_OBJECT
public:
    explicit AcquisitionController(Cvarnello_mfView& view);
    ~AcquisitionController() override;

    // The panel's RefreshControls and mode display.
    void RefreshControls() { cycle_.RefreshControls(); }
    void ModeDisplay() { cycle_.ModeDisplay(); }
    // Measuring, or a stopped cycle whose worker has not handed over yet: the
    // panel must not process, browse or clear records meanwhile.
    bool ProcessingBlocked() const { return cycle_.ProcessingBlocked() || darkInProgress(); }

    AcquisitionCycle& cycle() { return cycle_; }
    DarkMeasurement& dark() { return dark_; }
    // The head the automatic CSV file is written for (the CSV dialog's head).
    int csvHead = 0;

    // --- Test seams ----------------------------------------------------------
    void SetWorkerMode(WorkerMode mode);
    void SetClock(std::function<uint32_t()> clock) { clock_ = std::move(clock); }
    bool TimerActive(int id) const;
    // Runs timer `id` now, as its timeout would.
    void FireTimer(int id);

private:
    // The worker's completion, queued to this thread by name: no object of
    // the worker's making crosses threads (see the constructor).
    Q_INVOKABLE void OnWorkerDone();
    // The recovery journal's failure, queued to this thread the same way.
    Q_INVOKABLE void OnJournalFailed();
    bool darkInProgress() const;
    void Connect();
    QTimer* TimerFor(int id) const;

    // AcquisitionHost
    void ShowMessage(const std::string& line1, const std::string& line2) override;
    void ShowInfo(const std::string& text) override;
    void DrawGraph() override;
    void UpdateInfoBar(int head) override;
    void ReprocessDisplayed() override;
    void ShowPosition() override;
    void ShowRecordCount() override;
    void ApplyControls(const ControlEnable* items, int count) override;
    void ApplyModeDisplay(const ModeDisplayState& state) override;
    void EnableControl(int id, bool enabled) override;
    void SetStartCaption(const std::string& caption) override;
    std::string EditText(int id) override;
    void StartTimer(int id, int ms) override;
    void StopTimer(int id) override;
    void AutoSaveCsv() override;
    void SaveRecords() override;

    Cvarnello_mfView& view_;
    std::unique_ptr<DeviceLibrary> noDevices_;  // stand-ins when the panel was given none
    std::unique_ptr<UserDialogs> noDialogs_;
    std::atomic<int> ownBusy_{0};
    AcquisitionContext ctx_;
    AcquisitionCycle cycle_;
    OptionCommands options_;
    DarkMeasurement dark_;
    ReferenceRegistration registration_;
    TimerDispatch dispatch_;
    AutoSaveReporter autoSave_;
    AutoSaveNames autoSaveNames_;
    QTimer* cycleTimer_;
    QTimer* darkStepTimer_;
    QTimer* darkEndTimer_;
    std::function<uint32_t()> clock_;
};

}  // namespace vmf
