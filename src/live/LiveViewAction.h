#pragma once
// The live view in the program: the menu item and its dialog, the server
// started from the "live" settings, and the panel's hand-overs handed to it.
// The panel's thread only takes a snapshot (the grid rows) at each
// hand-over; a failing server is told once in the status bar and the
// measurement goes on.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "common/PanelOptions.h"
#include "live/LiveService.h"

class QAction;
class QWidget;

namespace vmf {

class Cvarnello_mfView;
class UserDialogs;

class LiveView : public QObject {
    Q_OBJECT
public:
    LiveView(Cvarnello_mfView& view, SettingsBackend& settings, UserDialogs& dialogs,
             std::function<void(const QString&)> status, QWidget* parent);
    ~LiveView() override;

    // "ライブビュー(&L)..." for the 表示 menu.
    QAction* MenuAction();
    // Takes the settings (and keeps them), then serves or stops accordingly.
    // True when it serves.
    bool Apply(const LiveViewSettings& settings);
    LiveService& service() { return service_; }
    // One line for the dialog: where it serves, or why it does not.
    QString StateText() const;

private:
    void OpenDialog();
    void HandOver();

    QPointer<Cvarnello_mfView> view_;
    SettingsBackend& settings_;
    UserDialogs& dialogs_;
    std::function<void(const QString&)> status_;
    QWidget* parent_;
    LiveViewSettings live_;
    LiveService service_;
    LivePublisher publisher_{service_};
    QTimer watch_;  // state changes without a hand-over (Stop while the interval waits)
    bool lastMeasuring_ = false;
    QString error_;
};

}  // namespace vmf
