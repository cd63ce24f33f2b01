#pragma once
// The control panel: every control of the form (ids 1000..1053, each carrying
// its id in the Qt property "ctrlId"), their placement for the window height,
// the initial update, the full repaint, detection and release, head
// selection, the history button and the axis-limit editing by clicks on the
// graph corners.
//
// The panel is deliberately thin: drawing is GraphRenderer's, the device and
// store work of detection is Detect/Release's, and the acquisition cycle,
// modes and options are the acquisition controller's. The accessors in the
// "for the panel's parts" section are what those parts use; they all run on
// the GUI thread.

#include <QRect>
#include <QString>
#include <QWidget>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "common/PanelOptions.h"
#include "panel/PanelState.h"
#include "panel/ViewContext.h"
#include "spectrum/SpectrumWorkspace.h"

class QTimer;

namespace vmf {

class AcquisitionController;
class BrowseController;
class Cvarnello_mfDoc;
class FileWork;
class GraphFrame;
class GraphRenderer;
class PanelCommands;

class Cvarnello_mfView : public QWidget {
    Q_OBJECT
public:
    // Reads the panel options through ctx.settings (when set) and creates the
    // controls; nothing is laid out until the first OnInitialUpdate/show.
    explicit Cvarnello_mfView(const ViewContext& ctx, QWidget* parent = nullptr);
    // Writes the panel options through ctx.settings (when set).
    ~Cvarnello_mfView() override;

    // Runs at first show and after File New / File Open: lays out, shows the
    // options, rebuilds the head list from the store, derives dark models,
    // reprocesses the displayed record and schedules the full repaint.
    void OnInitialUpdate();
    PanelOptions& options();
    bool IsMeasuring() const;
    // Stops a measurement as the Stop button does (nothing otherwise).
    void StopMeasuring();
    // True while file work runs (the main store is being read or saved, or
    // a comparison or CSV file is being loaded or written).
    bool FileWorkRunning() const;
    // The same, after telling the operator why the command waits: the
    // commands that read or change the store call it first.
    bool RefuseDuringFileWork();
    // Where the panel's own file work runs (the context's, or at once).
    FileWork& fileWork();

    // --- For the panel's parts (acquisition controller, browsing, CSV) -----
    // The control with this id, or nullptr. Cast with qobject_cast.
    QWidget* Control(int id) const;
    // The two-line message area; an empty line2 leaves the second line blank.
    void ShowMessage(const QString& line1, const QString& line2 = {});
    // The info line at the top of the graph frame.
    void ShowInfo(const QString& text);
    // Redraws the graph area from the workspace and options (ratioMin is
    // derived and stored back into options().ratioMin).
    void DrawGraph();
    // The info line of head a (statistics or CIE by displayKind); an empty
    // line when a is not a head slot.
    void UpdateInfoBar(int a);
    // When not measuring and the selected head has a record: processes and
    // resamples displayedRecord for every head, then redraws. True when done.
    bool ReprocessDisplayed();
    // Position text 1038 ("%d / %d") and record-count edit 1015 ("%d").
    void ShowPosition();
    void ShowRecordCount();
    // The enabling of the panel's controls by the detected/measuring/mode/
    // logging/dark flags. A stand-in until the acquisition controller's table
    // function replaces its body.
    void RefreshControls();
    // Check marks of the mode buttons and the enabling that follows the mode.
    void ModeDisplay();
    // Places every control for client height H (only once the panel was shown)
    // and redraws the whole graph frame: graph, colour bar, info line and the
    // message area with its current lines.
    void LayoutPanel(int H);
    // Timer 1: the full repaint 100 ms from now (restarted when pending).
    void StartFullRepaint();
    // The correction the panel applies to displayed records (method, gain).
    ProcessingOptions Processing() const;

    SpectrumWorkspace& workspace() { return workspace_; }
    PanelState& state() { return state_; }
    const PanelState& state() const { return state_; }
    const ViewContext& context() const { return ctx_; }
    Cvarnello_mfDoc& doc() const { return *ctx_.doc; }
    GraphRenderer& renderer();
    // The acquisition controller (cycle, modes and options, dark measurement,
    // references); it owns timers 2, 4 and 5.
    AcquisitionController& acquisition() { return *acquisition_; }
    // BACK/NEXT stepping and the comparison file.
    BrowseController& browse() { return *browse_; }
    // CSV save, data clear, maintenance mode/button and the mirror dialog.
    PanelCommands& commands() { return *commands_; }
    GraphFrame& frame() { return *frame_; }
    // The comparison file's store (null while none is loaded) and its spectra
    // on the display grid; the browsing part fills them, DrawGraph draws them.
    std::unique_ptr<Cvarnello_mfDoc>& compareStore() { return compareStore_; }
    std::array<std::array<float, GRID_POINTS>, MAX_HEADS>& compareSpectrum() {
        return *compareSpectrum_;
    }

    // --- Test seams ------------------------------------------------------
    // Replaces the numeric edit dialog: gets label and preset value, returns
    // the entered value or nothing for Cancel.
    using NumberEditor = std::function<std::optional<float>(const QString& label, float value)>;
    void SetNumberEditor(NumberEditor editor) { numberEditor_ = std::move(editor); }
    // Replaces the clock used for the document title at detection.
    void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
    // Replaces the modal history dialog (gets nothing, runs it).
    void SetHistoryDialogRunner(std::function<void()> runner) {
        historyRunner_ = std::move(runner);
    }
    // The last texts shown in the message area and the info line.
    QString messageLine1() const { return message1_; }
    QString messageLine2() const { return message2_; }
    QString infoText() const { return info_; }
    bool FullRepaintPending() const;
    // Runs the full repaint now (what timer 1 does when it fires).
    void FullRepaint();

signals:
    // Detection set doc.title; the frame updates its caption.
    void documentTitleChanged();
    void statusText(const QString& text);
    // The graph or the info line was redrawn: the displayed record, the
    // selected head, the method or the comparison may have changed.
    void displayedChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void CreateControls();
    void ConnectControls();
    void OnDetectButton();
    void Detect();
    void Release();
    void OnHeadSelectionChanged(int index);
    void OnHistoryButton();
    void OnDisplayKindChanged(int index);
    void OnBarDisplay(bool on);
    void OnGraphClick(QPoint panelPos);
    void ApplyOptionsToControls();
    void FillHeadList();
    int LayoutHeight() const;
    void RedrawAll();
    // The part of the panel its parent shows: in the frame's scroll area
    // that is the viewport, and the graph is laid out for its height and
    // kept inside it while only the column of controls scrolls.
    QRect VisibleBand() const;
    // Sets graphTop_ from the visible band and returns the height the graph
    // is laid out for.
    int TakeVisibleBand();
    // After a scroll or a resize of the viewport: a relayout when the
    // visible height changed, otherwise the graph side moves along.
    void FollowVisibleBand();
    void PlaceGraphSide();
    void WatchParent();

    ViewContext ctx_;
    PanelOptions options_;
    PanelState state_;
    SpectrumWorkspace workspace_;
    std::unique_ptr<FileWork> ownFileWork_;          // when the context brings none
    std::unique_ptr<Cvarnello_mfDoc> compareStore_;  // comparison file, when loaded
    std::unique_ptr<std::array<std::array<float, GRID_POINTS>, MAX_HEADS>> compareSpectrum_;
    std::map<int, QWidget*> controls_;
    GraphFrame* frame_ = nullptr;
    QTimer* repaintTimer_ = nullptr;  // timer 1
    bool shown_ = false;              // layout runs only after the first showing
    bool initialised_ = false;        // OnInitialUpdate ran at least once
    int lastHeight_ = 0;
    int graphTop_ = 0;  // the graph side's offset: the visible band's top
    QWidget* watchedParent_ = nullptr;
    bool bandCheckQueued_ = false;
    QString message1_, message2_, info_;
    NumberEditor numberEditor_;
    std::function<std::time_t()> clock_;
    std::function<void()> historyRunner_;
    std::unique_ptr<BrowseController> browse_;
    std::unique_ptr<PanelCommands> commands_;
    // Last, so it is destroyed first: it joins a running worker before the
    // state and workspace it writes go away.
    std::unique_ptr<AcquisitionController> acquisition_;
};

}  // namespace vmf
