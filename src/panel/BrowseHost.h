#pragma once
// What record browsing needs from the panel: the record count it steps
// within, the redraw after a step, the timer that repeats steps, and the
// message area. The panel's browse controller implements it with the real
// widgets and timer 3; core tests implement it with a recorder.

#include <string>

namespace vmf {

class BrowseHost {
public:
    virtual ~BrowseHost() = default;
    // recordCount[0] of the panel's store: every head advances together.
    virtual int RecordCount() const = 0;
    // True while a measurement runs or its worker has not handed over: the
    // records then belong to the acquisition and must not be reprocessed.
    virtual bool Blocked() const = 0;
    // Position text 1038 from the displayed record.
    virtual void ShowPosition() = 0;
    // Corrects and resamples record r of every head onto the display grid.
    virtual void ReprocessRecord(int r) = 0;
    virtual void DrawGraph() = 0;
    // The info line of the selected head, or an empty one without selection.
    virtual void ShowSelectedInfo() = 0;
    // The repeat timer (timer 3), one-shot.
    virtual void StartRepeatTimer(int ms) = 0;
    virtual void StopRepeatTimer() = 0;
    // One line in the message area (UTF-8).
    virtual void ShowMessage(const std::string& line) = 0;
};

}  // namespace vmf
