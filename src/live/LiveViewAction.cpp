#include "live/LiveViewAction.h"

#include <QAction>
#include <QWidget>

#include "acquire/AcquisitionController.h"
#include "live/CLiveViewDlg.h"
#include "panel/Cvarnello_mfView.h"

namespace vmf {

LiveView::LiveView(Cvarnello_mfView& view, SettingsBackend& settings, UserDialogs& dialogs,
                   std::function<void(const QString&)> status, QWidget* parent)
    : QObject(parent),
      view_(&view),
      settings_(settings),
      dialogs_(dialogs),
      status_(std::move(status)),
      parent_(parent) {
    ReadLiveView(settings_, live_);
    view.acquisition().cycle().SetHandOverObserver([this] { HandOver(); });
    connect(&watch_, &QTimer::timeout, this, [this] {
        if (view_ && view_->IsMeasuring() != lastMeasuring_) HandOver();
    });
    // Errors come from the server's thread: shown from this one.
    service_.SetErrorHandler([this](const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, t = QString::fromStdString(text)] { status_(t); }, Qt::QueuedConnection);
    });
    // After start-up has put its own text in the status bar, so a port
    // that is taken is still there to read.
    if (live_.on) QTimer::singleShot(0, this, [this] { Apply(live_); });
}

LiveView::~LiveView() {
    if (view_) view_->acquisition().cycle().SetHandOverObserver({});
    service_.Stop();
}

QAction* LiveView::MenuAction() {
    auto* action = new QAction(QStringLiteral("ライブビュー(&L)..."), this);
    action->setStatusTip(
        QStringLiteral("測定中のスペクトルを研究室のブラウザーから見られるようにします"));
    connect(action, &QAction::triggered, this, &LiveView::OpenDialog);
    return action;
}

bool LiveView::Apply(const LiveViewSettings& settings) {
    live_ = settings;
    if (live_.token.empty()) live_.token = NewLiveToken();
    WriteLiveView(settings_, live_);
    service_.Stop();
    error_.clear();
    watch_.stop();
    if (!live_.on) return false;
    LiveServiceConfig config;
    config.address = live_.allInterfaces ? "*" : "";
    config.port = live_.port;
    config.token = live_.token;
    config.certFile = live_.certFile;
    config.keyFile = live_.keyFile;
    std::string why;
    if (!service_.Start(config, why)) {
        error_ = QString::fromStdString(why);
        status_(
            QStringLiteral("ライブビューを開始できません: %1 測定には影響しません。").arg(error_));
        return false;
    }
    watch_.start(250);
    HandOver();  // the page shows the panel at once, not only from the next cycle
    return true;
}

QString LiveView::StateText() const {
    if (service_.Running()) return QStringLiteral("配信中です (ポート %1)。").arg(service_.Port());
    if (!error_.isEmpty()) return QStringLiteral("開始できませんでした: %1").arg(error_);
    return QStringLiteral("停止しています。");
}

void LiveView::OpenDialog() {
    CLiveViewDlg dialog(live_, StateText(), dialogs_, parent_);
    if (dialog.exec() != QDialog::Accepted) return;
    if (Apply(dialog.Settings()))
        status_(QStringLiteral("ライブビューを配信しています: %1").arg(dialog.Url()));
    else if (error_.isEmpty())
        status_(QStringLiteral("ライブビューを停止しました"));
}

void LiveView::HandOver() {
    if (!view_ || !service_.Running()) return;
    Cvarnello_mfView& v = *view_;
    const PanelOptions& o = v.options();
    const PanelState& st = v.state();
    LiveInputs in;
    in.doc = &v.doc();
    in.workspace = &v.workspace();
    in.method = st.method;
    in.measuring = st.measuring;
    in.intervalOn = o.intervalOn == 1;
    in.loggingOn = o.loggingOn == 1;
    in.selectedHead = st.selectedHead;
    in.displayedRecord = st.displayedRecord;
    in.displayKind = o.displayKind;
    in.graphMin = o.graphMin;
    in.graphMax = o.graphMax;
    in.ratioMin = o.ratioMin;
    in.ratioMax = o.ratioMax;
    lastMeasuring_ = st.measuring;
    publisher_.HandOver(in);
}

}  // namespace vmf
