#pragma once
// Moving the displayed record one slot back or forward (BACK 1035 / NEXT
// 1036), and repeating the last step every few milliseconds while the
// continuous option (check box 1037) is on, until the first or last record.
//
// Repeat: a step that moved starts the repeat timer when the option is on;
// the timer (already stopped when OnRepeatTimer runs) makes one more step in
// the last direction. A step at either end moves nothing and so ends the
// play; clearing the option ends it after the pending step at most.

#include <string>

#include "panel/BrowseHost.h"

namespace vmf {

inline constexpr int kRepeatTimerId = 3;
inline constexpr int kRepeatTimerMs = 5;
inline constexpr const char* kContinuousOnText = "BACK/NEXT操作を連続して行います。";
inline constexpr const char* kContinuousOffText = "BACK/NEXT操作を解除します。";

// Direction of the last step that moved (the stored values are 1 and 2).
enum class BrowseDirection : int { None = 0, Back = 1, Next = 2 };

class RecordBrowser {
public:
    // displayedRecord and continuousMode are the panel's own members; the
    // browser reads and writes them in place.
    RecordBrowser(BrowseHost& host, int& displayedRecord, int& continuousMode);

    // BACK and NEXT. Nothing happens while the records are blocked or at
    // the first / last record. True when the position moved.
    bool OnBack() { return Step(BrowseDirection::Back); }
    bool OnNext() { return Step(BrowseDirection::Next); }
    // Shows record r (a point picked in the trend window) as a step there
    // would, without starting the repeat. Nothing happens while the records
    // are blocked or when r is not a record. True when the position moved.
    bool GoTo(int r);
    // The check box after its click: on or off as it now shows, with the
    // message telling which.
    void OnContinuousClicked(bool checked);
    // The repeat timer fired: one step in the last direction.
    void OnRepeatTimer();

    BrowseDirection Direction() const { return direction_; }

private:
    bool Step(BrowseDirection d);

    BrowseHost& host_;
    int& displayedRecord_;
    int& continuousMode_;
    BrowseDirection direction_ = BrowseDirection::None;
};

}  // namespace vmf
