#pragma once
// What the acquisition control asks of the panel it runs in: the message area,
// the graph, captions and enabling, the edits' texts and the panel's one-shot
// timers. The GUI controller implements it on the real panel; the command-line
// runner and the tests implement it without a window. Every call comes on the
// panel's (GUI) thread; workers never call it.

#include <cstdint>
#include <string>

#include "acquire/ControlEnabling.h"

namespace vmf {

// The panel's timers (each handler stops its timer first and restarts it only
// when more work is due).
inline constexpr int kTimerRepaint = 1;   // 100 ms one-shot full repaint
inline constexpr int kTimerCycle = 2;     // 10 ms polling, or the interval delay
inline constexpr int kTimerBrowse = 3;    // 5 ms continuous BACK/NEXT
inline constexpr int kTimerDarkStep = 4;  // 10 ms dark-measurement step
inline constexpr int kTimerDarkEnd = 5;   // 1000 ms end of the dark measurement

class AcquisitionHost {
public:
    virtual ~AcquisitionHost() = default;

    // Message area (two lines; an empty second line is blank). UTF-8.
    virtual void ShowMessage(const std::string& line1, const std::string& line2) = 0;
    virtual void ShowInfo(const std::string& text) = 0;
    virtual void DrawGraph() = 0;
    virtual void UpdateInfoBar(int head) = 0;
    // The panel's ReprocessDisplayed (it guards itself and redraws).
    virtual void ReprocessDisplayed() = 0;
    virtual void ShowPosition() = 0;
    virtual void ShowRecordCount() = 0;
    // Applies RefreshControlsTable / ModeDisplayFor for the current flags.
    virtual void ApplyControls(const ControlEnable* items, int count) = 0;
    virtual void ApplyModeDisplay(const ModeDisplayState& state) = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    virtual void SetStartCaption(const std::string& caption) = 0;
    // Text of an edit (1005 exposure, 1012 averaging, 1017 interval).
    virtual std::string EditText(int id) = 0;
    // (Re)starts timer `id` to fire once after `ms` milliseconds; stops it.
    virtual void StartTimer(int id, int ms) = 0;
    virtual void StopTimer(int id) = 0;
    // Writes the automatic CSV file of the slot just filled (called only when
    // automatic saving is on, before the counters advance).
    virtual void AutoSaveCsv() = 0;
    // A cycle's results have been taken up and the next cycle is about to be
    // scheduled or started: a runner that measures a fixed number of cycles
    // stops here (Stop), so no cycle beyond it is begun. The panel has nothing
    // to do here.
    virtual void CycleHandedOver() {}
    // The operator asked to save the records now (after the recovery journal
    // failed): the window's File Save. Nothing without a window.
    virtual void SaveRecords() {}
};

}  // namespace vmf
