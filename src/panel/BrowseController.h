#pragma once
// Stepping through the recorded slots (BACK/NEXT, once or continuously) and
// the comparison file drawn beside the measured spectra, on the real panel:
// connects BACK 1035, NEXT 1036, check box 1037, "比較" 1043 and the
// comparison rows 1044/1045 and 1049/1050, owns timer 3 (the repeat), and
// shows the results in 1038, 1022, 1046 and 1051. The stepping logic is
// RecordBrowser's and the comparison state ComparisonSet's; this class only
// joins them to the widgets. GUI thread only.

#include <QObject>
#include <string>

#include "panel/BrowseHost.h"
#include "panel/ComparisonSet.h"
#include "panel/RecordBrowser.h"

class QTimer;

namespace vmf {

class Cvarnello_mfView;

// Title and filter of the comparison file dialog.
inline constexpr const char* kCompareDialogTitle = "開く";
inline constexpr const char* kCompareFileFilter = "varnello data file (*.vqdata)";

class BrowseController : public QObject, private BrowseHost {
    Q_OBJECT
public:
    explicit BrowseController(Cvarnello_mfView& view);
    ~BrowseController() override;

    RecordBrowser& browser() { return browser_; }
    ComparisonSet& comparison() { return comparison_; }

    // "比較": the file dialog, then loading the chosen file (or, on Cancel,
    // removing the comparison). A file that cannot be read is reported and
    // leaves the comparison shown before exactly as it was.
    void OnCompare();
    // Edits 1046 and 1051 from the comparison head and record.
    void ShowComparePosition();

    // --- Test seams ----------------------------------------------------------
    bool RepeatTimerActive() const;
    // Runs timer 3 now, as its timeout would.
    void FireRepeatTimer();

private:
    void Connect();
    void OnCompareStep(bool head, int delta);

    // BrowseHost
    int RecordCount() const override;
    bool Blocked() const override;
    void ShowPosition() override;
    void ReprocessRecord(int r) override;
    void DrawGraph() override;
    void ShowSelectedInfo() override;
    void StartRepeatTimer(int ms) override;
    void StopRepeatTimer() override;
    void ShowMessage(const std::string& line) override;

    Cvarnello_mfView& view_;
    RecordBrowser browser_;
    ComparisonSet comparison_;
    QTimer* repeatTimer_;  // timer 3
};

}  // namespace vmf
