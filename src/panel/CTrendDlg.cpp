#include "panel/CTrendDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRubberBand>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <algorithm>
#include <cmath>
#include <limits>

#include "panel/BrowseController.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphMath.h"
#include "panel/HeadSwatches.h"
#include "panel/TrendThinning.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// How often the window looks at the workers' progress.
constexpr int kPollMs = 40;
// Points that arrive during logging are drawn together, at most this often.
constexpr int kRedrawDelayMs = 100;

}  // namespace

CTrendDlg::CTrendDlg(Cvarnello_mfView& view, SettingsBackend* settings, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(view), settings_(settings) {
    setWindowTitle(U("トレンド"));
    if (settings_) ReadTrendWindow(*settings_, state_);

    value_ = new QComboBox(this);
    // The info line's maximum is the peak's value, record for record: the
    // list offers it once, as the peak's.
    for (const TrendValueInfo& info : TrendValues())
        if (info.value != TrendValue::Maximum)
            value_->addItem(U(info.label), static_cast<int>(info.value));
    const int stored = std::clamp(state_.value, 0, TREND_VALUE_COUNT - 1);
    value_->setCurrentIndex(
        std::max(0, value_->findData(stored == static_cast<int>(TrendValue::Maximum)
                                         ? static_cast<int>(TrendValue::PeakValue)
                                         : stored)));
    axis_ = new QComboBox(this);
    axis_->addItem(U("記録番号"));
    axis_->addItem(U("時刻"));
    axis_->setCurrentIndex(state_.timeAxis != 0 ? 1 : 0);
    whole_ = new QPushButton(U("全体表示"), this);
    heads_ = new QListWidget(this);
    heads_->setFixedWidth(100);
    chart_ = new QChart();
    chart_->legend()->hide();
    chartView_ = new QChartView(chart_, this);
    chartView_->setRubberBand(QChartView::HorizontalRubberBand);
    // Dragging zooms; a click (no drag) picks the record under it.
    chartView_->viewport()->installEventFilter(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setFormat(U("計算中 %p%"));
    progress_->hide();
    note_ = new QLabel(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(U("表示値"), this));
    top->addWidget(value_);
    top->addWidget(new QLabel(U("横軸"), this));
    top->addWidget(axis_);
    top->addWidget(whole_);
    top->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(heads_);
    middle->addWidget(chartView_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(progress_);
    layout->addWidget(note_);

    if (state_.right > state_.left && state_.bottom > state_.top)
        setGeometry(state_.left, state_.top, state_.right - state_.left,
                    state_.bottom - state_.top);
    else
        resize(720, 440);

    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &CTrendDlg::OnPoll);
    redraw_ = new QTimer(this);
    redraw_->setSingleShot(true);
    connect(redraw_, &QTimer::timeout, this, &CTrendDlg::Redraw);

    connect(&view_, &Cvarnello_mfView::displayedChanged, this, &CTrendDlg::Sync);
    connect(value_, &QComboBox::currentIndexChanged, this, [this] {
        state_.value = static_cast<int>(Value());
        const TrendOptions& have = collector_.Options();
        const bool more = IsColourTrendValue(Value()) &&
                          (!have.colour || (Value() == TrendValue::Ra && !have.ra));
        if (more)
            StartComputation();
        else
            Rebuild();
    });
    connect(axis_, &QComboBox::currentIndexChanged, this, [this](int index) {
        state_.timeAxis = index;
        autoRange_ = true;
        Rebuild();
    });
    connect(heads_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int a = item->data(Qt::UserRole).toInt();
        if (item->checkState() == Qt::Checked)
            state_.heads |= 1 << a;
        else
            state_.heads &= ~(1 << a);
        Rebuild();
    });
    connect(whole_, &QPushButton::clicked, this, &CTrendDlg::ResetZoom);
}

CTrendDlg::~CTrendDlg() {
    poll_->stop();
    collector_.Cancel();
    redraw_->stop();
    if (!settings_) return;
    if (isVisible()) RememberPlacement();
    WriteTrendWindow(*settings_, state_);
}

void CTrendDlg::RememberPlacement() {
    const QRect g = geometry();
    if (!g.isValid()) return;
    state_.left = g.left();
    state_.top = g.top();
    state_.right = g.left() + g.width();
    state_.bottom = g.top() + g.height();
}

void CTrendDlg::hideEvent(QHideEvent* event) {
    RememberPlacement();
    QWidget::hideEvent(event);
}

TrendValue CTrendDlg::Value() const {
    return static_cast<TrendValue>(
        std::clamp(value_->currentData().toInt(), 0, TREND_VALUE_COUNT - 1));
}

TrendOptions CTrendDlg::WantedOptions() const {
    TrendOptions o;
    o.graphMax = view_.options().graphMax;
    // Colour values once computed stay: switching back and forth costs nothing.
    o.colour = IsColourTrendValue(Value()) || collector_.Options().colour;
    o.ra = Value() == TrendValue::Ra || collector_.Options().ra;
    return o;
}

bool CTrendDlg::TimeAxis() const { return state_.timeAxis != 0 && collector_.HasTimes(); }

double CTrendDlg::XOf(const TrendPoint& p) const {
    return TimeAxis() ? static_cast<double>(p.utcMs) : p.record + 1.0;
}

void CTrendDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    state_.open = 1;
    if (stale_) StartComputation();
}

void CTrendDlg::closeEvent(QCloseEvent* event) {
    // At exit the application closes every window after the main one: the
    // window stays "open" for the next start then.
    if (!parentWidget() || parentWidget()->isVisible()) state_.open = 0;
    // Nobody looks at a closed window's lines: the workers stop, and the next
    // showing computes afresh.
    if (collector_.Running()) {
        poll_->stop();
        collector_.Cancel();
        progress_->hide();
        stale_ = true;
    }
    QWidget::closeEvent(event);
}

bool CTrendDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == chartView_->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            pressPos_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            if (mouse->button() == Qt::LeftButton && (at - pressPos_).manhattanLength() <= 3) {
                // No zoom into a rectangle of a pixel or two.
                if (auto* band = chartView_->findChild<QRubberBand*>()) band->hide();
                PickNear(at);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CTrendDlg::PickNear(QPoint viewportPos) {
    const QPointF inChart = chart_->mapFromScene(chartView_->mapToScene(viewportPos));
    if (!chart_->plotArea().contains(inChart)) return;
    int best = -1;
    double bestDistance = 0;
    QPointF bestValue;
    for (int a = 0; a < collector_.HeadCount(); ++a) {
        QLineSeries* line = series_[static_cast<size_t>(a)];
        if (!line || line->count() == 0) continue;
        const QPointF value = chart_->mapToValue(inChart, line);
        // The head whose line passes nearest to the click, in pixels.
        for (const QPointF& p : line->points()) {
            const double d = QLineF(chart_->mapToPosition(p, line), inChart).length();
            if (best < 0 || d < bestDistance) best = a, bestDistance = d, bestValue = value;
        }
    }
    if (best >= 0) PickAt(best, bestValue.x());
}

void CTrendDlg::Sync() {
    if (!isVisible()) {
        stale_ = true;  // computed when shown
        return;
    }
    if (stale_) {
        StartComputation();
        return;
    }
    switch (collector_.Sync(view_.doc())) {
        case TrendCollector::SyncResult::Restarted:
            ShowComputing();
            break;
        case TrendCollector::SyncResult::Appended:
            ScheduleRedraw();
            break;
        case TrendCollector::SyncResult::Unchanged:
            break;
    }
}

void CTrendDlg::StartComputation() {
    stale_ = false;
    collector_.Start(view_.doc(), WantedOptions());
    ShowComputing();
}

void CTrendDlg::ShowComputing() {
    // The names, the axis title and the (still empty) lines are the new
    // store's and value's from now on, never the last ones under the
    // progress of the next.
    autoRange_ = true;
    Rebuild();
    progress_->setValue(0);
    progress_->show();
    poll_->start();
}

void CTrendDlg::OnPoll() {
    // A store cleared or opened meanwhile: the collector starts over.
    if (collector_.Sync(view_.doc()) == TrendCollector::SyncResult::Restarted) Rebuild();
    if (!collector_.Poll(view_.doc())) {
        progress_->setValue(static_cast<int>(collector_.Progress() * 1000));
        return;
    }
    poll_->stop();
    progress_->hide();
    autoRange_ = true;
    Rebuild();
}

void CTrendDlg::FinishComputation() {
    poll_->stop();
    if (stale_) {
        stale_ = false;
        collector_.Start(view_.doc(), WantedOptions());
    }
    collector_.Sync(view_.doc());
    collector_.Finish(view_.doc());
    progress_->hide();
    Rebuild();
}

void CTrendDlg::FillHeadList() {
    // The store's heads, as they are now: another store with as many heads
    // has other serial numbers.
    const Cvarnello_mfDoc& doc = view_.doc();
    QStringList serials;
    for (int a = 0; a < collector_.HeadCount(); ++a)
        serials << QString::fromStdString(Cp932ToUtf8(doc.serialNo[static_cast<size_t>(a)]));
    if (serials == listedSerials_) return;
    listedSerials_ = serials;
    const QSignalBlocker block(heads_);
    heads_->clear();
    for (int a = 0; a < serials.size(); ++a) {
        auto* item =
            new QListWidgetItem(QStringLiteral("%1 %2").arg(a + 1).arg(serials[a]), heads_);
        const QColor colour = HeadSwatches::PenColour(MeasuredColour(a));
        item->setIcon(HeadSwatches::Swatch(colour, colour));
        item->setToolTip(HeadSwatches::HeadTip(a, serials[a]));
        item->setData(Qt::UserRole, a);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState((state_.heads >> a) & 1 ? Qt::Checked : Qt::Unchecked);
    }
    // As wide as the longest entry (check box, swatch, number and serial).
    heads_->setFixedWidth(std::max(100, heads_->sizeHintForColumn(0) + 2 * heads_->frameWidth() +
                                            heads_->verticalScrollBar()->sizeHint().width() + 4));
}

void CTrendDlg::Rebuild() {
    redraw_->stop();
    FillHeadList();
    chart_->removeAllSeries();
    series_.fill(nullptr);
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    axis_->setEnabled(collector_.HasTimes());
    QAbstractAxis* x = nullptr;
    if (TimeAxis()) {
        auto* t = new QDateTimeAxis;
        t->setFormat(QStringLiteral("HH:mm:ss"));
        t->setTickCount(3);
        t->setTitleText(U("時刻"));
        x = t;
    } else {
        auto* v = new QValueAxis;
        v->setLabelFormat(QStringLiteral("%d"));
        v->setTitleText(U("記録番号"));
        x = v;
    }
    auto* y = new QValueAxis;
    y->setTitleText(U(TrendValues()[static_cast<size_t>(Value())].label));
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    for (int a = 0; a < collector_.HeadCount(); ++a) {
        if (((state_.heads >> a) & 1) == 0) continue;
        auto* line = new QLineSeries;
        QPen pen(HeadSwatches::PenColour(MeasuredColour(a)));
        pen.setWidth(1);
        line->setPen(pen);
        chart_->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        connect(line, &QLineSeries::clicked, this,
                [this, a](const QPointF& p) { PickAt(a, p.x()); });
        series_[static_cast<size_t>(a)] = line;
    }
    if (auto* v = qobject_cast<QValueAxis*>(x))
        connect(v, &QValueAxis::rangeChanged, this, &CTrendDlg::OnRangeChanged);
    if (auto* t = qobject_cast<QDateTimeAxis*>(x))
        connect(t, &QDateTimeAxis::rangeChanged, this, &CTrendDlg::OnRangeChanged);
    Redraw();
}

void CTrendDlg::ScheduleRedraw() {
    if (!redraw_->isActive()) redraw_->start(kRedrawDelayMs);
}

void CTrendDlg::OnRangeChanged() {
    if (settingRange_) return;
    autoRange_ = false;  // the operator zoomed
    ScheduleRedraw();
}

void CTrendDlg::ResetZoom() {
    autoRange_ = true;
    Redraw();
}

void CTrendDlg::Redraw() {
    redraw_->stop();
    const QList<QAbstractAxis*> xs = chart_->axes(Qt::Horizontal);
    const QList<QAbstractAxis*> ys = chart_->axes(Qt::Vertical);
    if (xs.isEmpty() || ys.isEmpty()) return;
    const bool time = TimeAxis();
    const TrendValue value = Value();
    constexpr double inf = std::numeric_limits<double>::infinity();
    double x0 = inf, x1 = -inf;
    if (autoRange_) {
        for (int a = 0; a < collector_.HeadCount(); ++a) {
            if (!series_[static_cast<size_t>(a)]) continue;
            for (const TrendPoint& p : collector_.Points(a)) {
                if (time && p.utcMs == 0) continue;
                x0 = std::min(x0, XOf(p));
                x1 = std::max(x1, XOf(p));
            }
        }
        if (x0 > x1) x0 = 0, x1 = 1;
        if (x0 == x1) x0 -= 1, x1 += 1;
    } else if (auto* v = qobject_cast<QValueAxis*>(xs.first())) {
        x0 = v->min(), x1 = v->max();
    } else if (auto* t = qobject_cast<QDateTimeAxis*>(xs.first())) {
        x0 = static_cast<double>(t->min().toMSecsSinceEpoch());
        x1 = static_cast<double>(t->max().toMSecsSinceEpoch());
    }
    int records = 0;
    for (int a = 0; a < collector_.HeadCount(); ++a)
        records = std::max(records, static_cast<int>(collector_.Points(a).size()));
    // While the workers compute there are no points yet, but records there are.
    if (collector_.Running())
        note_->clear();
    else
        note_->setText(records > 0 ? U("記録 %1 件").arg(records) : U("記録がありません"));
    const int columns = std::max(50, static_cast<int>(chart_->plotArea().width()));
    double y0 = inf, y1 = -inf;
    std::vector<double> px, py;
    for (int a = 0; a < collector_.HeadCount(); ++a) {
        QLineSeries* line = series_[static_cast<size_t>(a)];
        if (!line) continue;
        const auto& points = collector_.Points(a);
        px.clear();
        py.clear();
        for (const TrendPoint& p : points) {
            if (time && p.utcMs == 0) continue;
            px.push_back(XOf(p));
            py.push_back(p[value]);
        }
        const std::vector<TrendXY> thin = ThinTrend(px, py, x0, x1, columns);
        QList<QPointF> list;
        list.reserve(static_cast<qsizetype>(thin.size()));
        for (const TrendXY& t : thin) {
            list.append(QPointF(t.x, t.y));
            if (t.x >= x0 && t.x <= x1) y0 = std::min(y0, t.y), y1 = std::max(y1, t.y);
        }
        line->replace(list);
    }
    if (y0 > y1) y0 = 0, y1 = 1;
    const double margin = y1 > y0 ? (y1 - y0) * 0.05 : std::max(1.0, std::abs(y0) * 0.05);
    settingRange_ = true;
    const RoundTicks yTicks = RoundAxisTicks(y0 - margin, y1 + margin, 7);
    ys.first()->setRange(yTicks.min, yTicks.max);
    if (auto* v = qobject_cast<QValueAxis*>(ys.first())) {
        v->setTickCount(yTicks.count);
        v->setLabelFormat(QStringLiteral("%.%1f").arg(yTicks.decimals));
    }
    // Record numbers are whole: ticks less than a record apart would repeat
    // a label ("0 0 0 0 1" for an empty or one-record store). Ticks stay on
    // round record numbers, zoomed or not.
    auto* recordAxis = qobject_cast<QValueAxis*>(xs.first());
    if (autoRange_ && time) {
        xs.first()->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x0)),
                             QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(x1)));
    } else if (autoRange_ && recordAxis) {
        const RoundTicks xTicks = RoundAxisTicks(x0, x1, 6, 1.0);
        recordAxis->setTickType(QValueAxis::TicksFixed);
        recordAxis->setRange(xTicks.min, xTicks.max);
        recordAxis->setTickCount(xTicks.count);
    } else if (recordAxis) {
        recordAxis->setTickType(QValueAxis::TicksDynamic);
        recordAxis->setTickAnchor(0);
        recordAxis->setTickInterval(
            RoundAxisTicks(recordAxis->min(), recordAxis->max(), 6, 1.0).step);
    }
    settingRange_ = false;
}

bool CTrendDlg::PickAt(int a, double x) {
    if (a < 0 || a >= collector_.HeadCount()) return false;
    const auto& points = collector_.Points(a);
    std::vector<double> px;
    std::vector<int> records;
    for (const TrendPoint& p : points) {
        if (TimeAxis() && p.utcMs == 0) continue;
        px.push_back(XOf(p));
        records.push_back(p.record);
    }
    const int i = NearestIndex(px, x);
    if (i < 0) return false;
    if (view_.IsMeasuring()) {
        note_->setText(U("計測中は記録を移動できません"));
        return false;
    }
    const int record = records[static_cast<size_t>(i)];
    const bool moved = view_.browse().browser().GoTo(record);
    note_->setText(U("記録 %1 を表示しています").arg(record + 1));
    return moved;
}

}  // namespace vmf
