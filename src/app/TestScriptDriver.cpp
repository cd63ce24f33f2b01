#include "app/TestScriptDriver.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <cstdio>

#include "acquire/AcquisitionController.h"
#include "app/CMainFrame.h"
#include "app/QtUserDialogs.h"
#include "app/RecentFileList.h"
#if VMF_HAVE_TREND_WINDOW
#include <QChart>
#include <QLineSeries>

#include "panel/CTrendDlg.h"
#endif
#include "panel/Cvarnello_mfView.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

constexpr int kStepTimeoutMs = 60000;
constexpr int kPollMs = 5;

void Report(const QString& line) {
    std::fprintf(stderr, "vmf-test: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

}  // namespace

TestScriptDriver::TestScriptDriver(std::vector<TestStep> steps, CMainFrame& frame,
                                   Cvarnello_mfView& view, Cvarnello_mfDoc& doc,
                                   QtUserDialogs& dialogs)
    : QObject(&frame),
      steps_(std::move(steps)),
      frame_(frame),
      view_(view),
      doc_(doc),
      dialogs_(dialogs) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TestScriptDriver::Poll);
}

void TestScriptDriver::Begin() {
    stepClock_.start();
    timer_.start(0);
}

template <class T>
T* TestScriptDriver::Find(const std::string& name) {
    T* w = frame_.findChild<T*>(QString::fromStdString(name));
    if (!w) Fail(QStringLiteral("no control %1").arg(QString::fromStdString(name)));
    return w;
}

void TestScriptDriver::Fail(const QString& why) {
    Report(QStringLiteral("step %1 failed: %2").arg(next_ + 1).arg(why));
    timer_.stop();
    next_ = steps_.size();
    QCoreApplication::exit(3);
}

void TestScriptDriver::Poll() {
    while (next_ < steps_.size()) {
        const size_t current = next_;
        if (!Run(steps_[current])) {
            if (next_ != current) return;  // failed
            if (stepClock_.elapsed() > kStepTimeoutMs) {
                Fail(QStringLiteral("timed out"));
                return;
            }
            timer_.start(kPollMs);
            return;
        }
        if (next_ != current) return;  // failed inside a step that completed
        Report(QStringLiteral("step %1 done").arg(current + 1));
        ++next_;
        stepClock_.restart();
    }
}

bool TestScriptDriver::Run(const TestStep& step) {
    using V = TestStep::Verb;
    switch (step.verb) {
        case V::Click:
            if (auto* b = Find<QAbstractButton>(step.name)) {
                if (!b->isEnabled()) return false;  // waits for the panel to enable it
                b->click();
            }
            return true;
        case V::Check:
            if (auto* b = Find<QAbstractButton>(step.name)) {
                if (!b->isEnabled()) return false;
                if (b->isChecked() != (step.number == 1)) b->click();
            }
            return true;
        case V::Text:
            if (auto* e = Find<QLineEdit>(step.name)) e->setText(QString::fromStdString(step.text));
            return true;
        case V::Records: {
            const int heads = doc_.headCount;
            if (heads <= 0) {
                Fail(QStringLiteral("no heads detected"));
                return true;
            }
            for (int a = 0; a < heads; ++a) {
                if (doc_.recordCount[a] > step.number) {
                    Fail(QStringLiteral("head %1 went past %2 records").arg(a).arg(step.number));
                    return true;
                }
                if (doc_.recordCount[a] < step.number) return false;
            }
            // Between cycles: nothing is being read that could still be added.
            return !view_.acquisition().cycle().WorkerActive();
        }
        case V::Idle:
            return !view_.IsMeasuring();
        case V::SaveAs:
            dialogs_.AnswerNextFileDialog(step.text);
            frame_.OnFileSaveAs();
            return true;
        case V::Wait:
            return stepClock_.elapsed() >= step.number;
        case V::Quit:
            frame_.close();
            return true;
        case V::Opened:
            return SamePath(doc_.pathName, step.text);
        case V::QtText: {
            const auto bar = step.text.find('|');
            const std::string context = step.text.substr(0, bar);
            const std::string source = step.text.substr(bar + 1);
            Report(QStringLiteral("qttext %1")
                       .arg(QCoreApplication::translate(context.c_str(), source.c_str())));
            return true;
        }
        case V::Trend:
        case V::Pick:
            return RunTrend(step);
    }
    return true;
}

bool TestScriptDriver::RunTrend(const TestStep& step) {
#if VMF_HAVE_TREND_WINDOW
    auto* trend = frame_.findChild<CTrendDlg*>();
    if (!trend) {
        Fail(QStringLiteral("no trend window"));
        return true;
    }
    if (step.verb == TestStep::Verb::Trend) {
        if (step.number >= trend->valueBox()->count()) {
            Fail(QStringLiteral("no value %1").arg(step.number));
            return true;
        }
        trend->show();
        trend->raise();
        trend->valueBox()->setCurrentIndex(step.number);
        return true;
    }
    // A click as the mouse gives it, on the chart's viewport, once the lines
    // are drawn.
    if (!trend->isVisible() || trend->collector().Running() || !trend->series(0) ||
        trend->series(0)->count() == 0)
        return false;
    QChart* chart = trend->chart();
    const QList<QGraphicsView*> views =
        chart->scene() ? chart->scene()->views() : QList<QGraphicsView*>();
    if (views.isEmpty()) return false;
    QGraphicsView* view = views.first();
    const QRectF plot = chart->plotArea();
    const QPointF inChart(plot.left() + plot.width() * step.number / 100.0, plot.center().y());
    const QPoint at = view->mapFromScene(chart->mapToScene(inChart));
    QWidget* viewport = view->viewport();
    const QPointF global = viewport->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &press);
    QCoreApplication::sendEvent(viewport, &release);
    Report(QStringLiteral("pick %1").arg(trend->noteLabel()->text()));
    return true;
#else
    (void)step;
    Fail(QStringLiteral("built without the trend window"));
    return true;
#endif
}

}  // namespace vmf
