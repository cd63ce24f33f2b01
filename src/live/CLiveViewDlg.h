#pragma once
// The live view's dialog (表示 > ライブビュー): on or off, this computer only
// or every interface, the port, the access token with a button for a new
// one, the address to give to colleagues, and the optional HTTPS files.

#include <QDialog>
#include <functional>
#include <string>

#include "common/PanelOptions.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace vmf {

class UserDialogs;

class CLiveViewDlg : public QDialog {
    Q_OBJECT
public:
    // state: one line on whether it serves now (or why not).
    CLiveViewDlg(const LiveViewSettings& settings, const QString& state, UserDialogs& dialogs,
                 QWidget* parent = nullptr);
    LiveViewSettings Settings() const;
    // The address for colleagues as the fields stand now.
    QString Url() const;

private:
    void Refresh();
    void Browse(QLineEdit* edit, const char* title);

    UserDialogs& dialogs_;
    QCheckBox* on_;
    QRadioButton* local_;
    QRadioButton* all_;
    QSpinBox* port_;
    QLineEdit* token_;
    QLineEdit* url_;
    QLineEdit* cert_;
    QLineEdit* key_;
};

}  // namespace vmf
