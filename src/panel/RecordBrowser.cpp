#include "panel/RecordBrowser.h"

namespace vmf {

RecordBrowser::RecordBrowser(BrowseHost& host, int& displayedRecord, int& continuousMode)
    : host_(host), displayedRecord_(displayedRecord), continuousMode_(continuousMode) {}

bool RecordBrowser::Step(BrowseDirection d) {
    // The buttons are off while measuring, but a repeat timer already pending
    // when a measurement starts still fires: it must not reprocess records the
    // worker is filling, nor move the position the cycle keeps on the newest.
    if (host_.Blocked()) return false;
    const int last = host_.RecordCount() - 1;
    switch (d) {
        case BrowseDirection::Back:
            if (displayedRecord_ <= 0) return false;
            --displayedRecord_;
            break;
        case BrowseDirection::Next:
            if (displayedRecord_ >= last) return false;
            ++displayedRecord_;
            break;
        case BrowseDirection::None:
            return false;
    }
    direction_ = d;
    host_.ShowPosition();
    host_.ReprocessRecord(displayedRecord_);
    host_.DrawGraph();
    host_.ShowSelectedInfo();
    if (continuousMode_ != 0) host_.StartRepeatTimer(kRepeatTimerMs);
    return true;
}

bool RecordBrowser::GoTo(int r) {
    if (host_.Blocked() || r < 0 || r >= host_.RecordCount() || r == displayedRecord_) return false;
    displayedRecord_ = r;
    host_.ShowPosition();
    host_.ReprocessRecord(displayedRecord_);
    host_.DrawGraph();
    host_.ShowSelectedInfo();
    return true;
}

void RecordBrowser::OnContinuousClicked(bool checked) {
    continuousMode_ = checked ? 1 : 0;
    host_.ShowMessage(checked ? kContinuousOnText : kContinuousOffText);
}

void RecordBrowser::OnRepeatTimer() {
    host_.StopRepeatTimer();
    Step(direction_);
}

}  // namespace vmf
