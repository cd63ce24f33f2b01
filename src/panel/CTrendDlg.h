#pragma once
// The "トレンド" window: one value of every record (peak, statistics,
// temperature, exposure, chromaticity, CCT, Duv, Ra) drawn over the record
// number or the record time, one line per chosen head in the head's measured
// colour. It follows the panel: a logging run adds one point per counted
// record, another store (opened, cleared, detected) is computed afresh on
// worker threads while a progress bar shows how far they are, so the window
// never holds the panel up. The lines are thinned to a few points per pixel column, so a
// full series redraws as fast as a short one. Clicking a line shows that
// record on the panel as BACK/NEXT would (not while measuring).
//
// Placement, open state, value, heads and axis are kept in the settings'
// "trend" section.

#include <QWidget>
#include <array>
#include <vector>

#include "common/PanelOptions.h"
#include "panel/TrendCollector.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vmf {

class Cvarnello_mfView;

class CTrendDlg : public QWidget {
    Q_OBJECT
public:
    // Reads its settings (when given); writes them when destroyed.
    CTrendDlg(Cvarnello_mfView& view, SettingsBackend* settings, QWidget* parent = nullptr);
    ~CTrendDlg() override;

    // Open at the last exit: shown with the main window.
    bool WasOpen() const { return state_.open != 0; }
    // The panel redrew: take up new records, or start over for another store.
    void Sync();

    // --- Test and benchmark seams ----------------------------------------
    const TrendCollector& collector() const { return collector_; }
    // Runs the pending computation to its end now.
    void FinishComputation();
    // Redraws the lines now (what the pending redraw does).
    void Redraw();
    // A click on head a's line at x (record number, or ms since 1970 on the
    // time axis). True when the panel moved.
    bool PickAt(int a, double x);
    QComboBox* valueBox() const { return value_; }
    QComboBox* axisBox() const { return axis_; }
    QListWidget* headList() const { return heads_; }
    QLabel* noteLabel() const { return note_; }
    QProgressBar* progressBar() const { return progress_; }
    QLineSeries* series(int a) const { return series_[static_cast<size_t>(a)]; }
    QChart* chart() const { return chart_; }
    bool TimeAxis() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TrendValue Value() const;
    TrendOptions WantedOptions() const;
    void StartComputation();
    void OnPoll();
    void Rebuild();
    void ScheduleRedraw();
    void OnRangeChanged();
    void FillHeadList();
    void ResetZoom();
    double XOf(const TrendPoint& p) const;
    void PickNear(QPoint viewportPos);
    void RememberPlacement();

    Cvarnello_mfView& view_;
    SettingsBackend* settings_;
    TrendWindowState state_;
    TrendCollector collector_;
    QComboBox* value_ = nullptr;
    QComboBox* axis_ = nullptr;
    QListWidget* heads_ = nullptr;
    QChart* chart_ = nullptr;
    QChartView* chartView_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* whole_ = nullptr;
    QTimer* poll_ = nullptr;
    QTimer* redraw_ = nullptr;
    std::array<QLineSeries*, MAX_HEADS> series_{};
    bool autoRange_ = true;
    bool settingRange_ = false;
    bool stale_ = true;
    QPoint pressPos_;
};

}  // namespace vmf
