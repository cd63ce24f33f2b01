#pragma once
// Draws the left part of the panel (info bar, graph, colour bar, message
// area) into an off-screen image the size of the frame control. The frame
// paints that image on every paint event, so the graph survives being
// covered and uncovered; the drawing calls below are the only writers.
//
// All pens are one pixel wide, solid, without antialiasing, and lines leave
// out their end point, so each pixel lands exactly where GraphMath puts it.
// The curves are rasterised straight into the image's pixels (a painter
// polyline costs several times more and picks its own end-point rule);
// boxes, grid lines and texts go through QPainter. GUI thread only.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPen>
#include <QPoint>
#include <QStaticText>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "panel/GraphMath.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/StoreBounds.h"

class QPainter;

namespace vmf {

class Cvarnello_mfDoc;

using GridRows = std::array<std::array<float, GRID_POINTS>, MAX_HEADS>;

// Everything DrawGraph reads. Pointers are borrowed for the call only.
struct GraphInput {
    const SpectrumWorkspace* ws = nullptr;  // displaySpectrum, displayRatio
    const Cvarnello_mfDoc* doc = nullptr;   // headCount, channelCount, wavelengthNm, gain
    int graphMax = 8192;
    int graphMin = 0;
    int ratioMax = 160;
    int* ratioMin = nullptr;  // derived on every draw and stored back here when not null
    bool barDisplay = false;
    bool selectedOnly = false;
    bool maintenanceMode = false;
    int selectedHead = -1;
    MeasuringMethod method = MeasuringMethod::LightSource;
    // Comparison curves: drawn for heads 0..compareHeadCount-1 when
    // compareDrawable (a comparison file is loaded and its current head holds
    // a record). The head filter does not apply to them.
    const GridRows* compareSpectrum = nullptr;
    int compareHeadCount = 0;
    bool compareDrawable = false;
};

class GraphRenderer {
public:
    GraphRenderer();

    // Sizes the image for a panel client height H (frame 600 x (H - 35)).
    // What was drawn stays where it was; uncovered parts are white.
    void Resize(int panelHeight);
    int PanelHeight() const { return panelHeight_; }
    const GraphLayout& Layout() const { return layout_; }

    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

    // Font of the labels and texts; the frame passes its own.
    void SetFont(const QFont& font);
    // Colour of image parts no box covers (the gaps between boxes, and what
    // a resize uncovers); the frame passes its window colour.
    void SetBackground(const QColor& colour) { background_ = colour; }
    // Called after every drawing call, so whoever shows the image repaints.
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }

    // Fills the whole image with the background colour, so what follows
    // draws on a clean image.
    void Clear();
    // Graph area: boxes, grid, labels, and the curves or bars. Writes the
    // derived ratioMin back through input.ratioMin.
    void DrawGraph(const GraphInput& input);
    // Colour bar: its box and 51 blocks of 10 nm under the plot box.
    void DrawColourBar();
    // Message area: clears it and writes one or two lines (empty leaves it blank).
    void ShowMessage(const QString& line1, const QString& line2 = {});
    // Info bar: clears it and writes the text.
    void ShowInfo(const QString& text);

    // Pens, created once (exposed for tests).
    const QPen& MeasuredPen(int u) const { return measuredPens_[u]; }
    const QPen& WavelengthPen(int k) const { return wavelengthPens_[k]; }

private:
    // A box in the (left, top, right, bottom) convention: white inside, black
    // border on its outermost pixels.
    void DrawBox(QPainter& p, const GraphRect& r) const;
    static void DrawLine(QPainter& p, int x0, int y0, int x1, int y1);
    // Black text with its top-left corner at (x, y); reused texts (the axis
    // labels) keep their layout between draws.
    void DrawText(QPainter& p, int x, int y, const QString& text, bool reused);
    void BeginPainter(QPainter& p);
    void DrawAxes(QPainter& p, const GraphInput& in);
    // The data phase: the painter must have ended (these write pixels).
    void DrawBars(const GraphInput& in);
    void DrawCurves(const GraphInput& in, int ratioMin);
    void DrawCurve(const QPen& pen, const std::array<float, GRID_POINTS>& row, int lo, int hi);
    void DrawMaintenance(const GraphInput& in);
    void DrawPolyline(const QPen& pen);
    void Changed() const;
    static bool Passes(const GraphInput& in, int u);

    int panelHeight_ = 0;
    GraphLayout layout_{};
    QImage image_;
    QFont font_;
    QHash<QString, QStaticText> textCache_;  // labels recur on every draw; laid out once
    QColor background_{240, 240, 240};
    std::function<void()> changed_;
    std::array<QPen, MAX_HEADS> measuredPens_, comparisonPens_, ratioPens_, gainPens_;
    QPen gridPen_, responsePen_, boxPen_;
    std::array<QPen, GRID_POINTS> wavelengthPens_;
    std::vector<QPoint> points_;  // reused polyline buffer
};

}  // namespace vmf
