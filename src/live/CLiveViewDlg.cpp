#include "live/CLiveViewDlg.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/UserDialogs.h"
#include "live/LiveAccess.h"
#include "live/LiveService.h"

namespace vmf {

CLiveViewDlg::CLiveViewDlg(const LiveViewSettings& s, const QString& state, UserDialogs& dialogs,
                           QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("ライブビュー"));
    auto* form = new QFormLayout;
    on_ = new QCheckBox(QStringLiteral("測定中の表示をブラウザーで見られるようにする"));
    on_->setChecked(s.on != 0);
    local_ = new QRadioButton(QStringLiteral("このコンピューターのみ (既定)"));
    all_ = new QRadioButton(QStringLiteral("すべてのネットワークインターフェース"));
    (s.allInterfaces ? all_ : local_)->setChecked(true);
    auto* where = new QVBoxLayout;
    where->addWidget(local_);
    where->addWidget(all_);
    port_ = new QSpinBox;
    port_->setRange(1, 65535);
    port_->setValue(s.port >= 1 && s.port <= 65535 ? s.port : kDefaultLivePort);
    token_ = new QLineEdit(QString::fromStdString(s.token));
    token_->setReadOnly(true);
    auto* newToken = new QPushButton(QStringLiteral("新しいトークン"));
    auto* tokenRow = new QHBoxLayout;
    tokenRow->addWidget(token_, 1);
    tokenRow->addWidget(newToken);
    url_ = new QLineEdit;
    url_->setReadOnly(true);
    auto* copy = new QPushButton(QStringLiteral("コピー"));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(url_, 1);
    urlRow->addWidget(copy);
    cert_ = new QLineEdit(QString::fromStdString(s.certFile));
    key_ = new QLineEdit(QString::fromStdString(s.keyFile));
    auto* certBrowse = new QPushButton(QStringLiteral("参照..."));
    auto* keyBrowse = new QPushButton(QStringLiteral("参照..."));
    auto* certRow = new QHBoxLayout;
    certRow->addWidget(cert_, 1);
    certRow->addWidget(certBrowse);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(key_, 1);
    keyRow->addWidget(keyBrowse);

    form->addRow(on_);
    form->addRow(QStringLiteral("待ち受け:"), where);
    form->addRow(QStringLiteral("ポート:"), port_);
    form->addRow(QStringLiteral("アクセス用トークン:"), tokenRow);
    form->addRow(QStringLiteral("同僚に渡す URL:"), urlRow);
    form->addRow(QStringLiteral("HTTPS 証明書 (任意):"), certRow);
    form->addRow(QStringLiteral("HTTPS 秘密鍵 (任意):"), keyRow);
    auto* note = new QLabel(
        QStringLiteral("このコンピューター以外からの閲覧にはトークン付きの URL が必要です。"
                       "ライブビューは測定を妨げません。"));
    note->setWordWrap(true);
    auto* stateLabel = new QLabel(state);
    stateLabel->setObjectName(QStringLiteral("liveState"));
    stateLabel->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(stateLabel);
    layout->addWidget(buttons);

    connect(newToken, &QPushButton::clicked, this, [this] {
        token_->setText(QString::fromStdString(NewLiveToken()));
        Refresh();
    });
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(url_->text()); });
    connect(certBrowse, &QPushButton::clicked, this,
            [this] { Browse(cert_, "HTTPS 証明書を選択"); });
    connect(keyBrowse, &QPushButton::clicked, this, [this] { Browse(key_, "HTTPS 秘密鍵を選択"); });
    for (QRadioButton* r : {local_, all_})
        connect(r, &QRadioButton::toggled, this, [this] { Refresh(); });
    connect(port_, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    connect(cert_, &QLineEdit::textChanged, this, [this] { Refresh(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (token_->text().isEmpty()) token_->setText(QString::fromStdString(NewLiveToken()));
    Refresh();
    resize(620, sizeHint().height());
}

LiveViewSettings CLiveViewDlg::Settings() const {
    LiveViewSettings s;
    s.on = on_->isChecked() ? 1 : 0;
    s.allInterfaces = all_->isChecked() ? 1 : 0;
    s.port = port_->value();
    s.token = token_->text().toStdString();
    s.certFile = cert_->text().trimmed().toStdString();
    s.keyFile = key_->text().trimmed().toStdString();
    return s;
}

QString CLiveViewDlg::Url() const { return url_->text(); }

void CLiveViewDlg::Refresh() {
    const QString host = all_->isChecked() ? QString::fromStdString(LiveService::LanAddress())
                                           : QStringLiteral("127.0.0.1");
    const QString scheme =
        cert_->text().trimmed().isEmpty() ? QStringLiteral("http") : QStringLiteral("https");
    url_->setText(QStringLiteral("%1://%2:%3/?token=%4")
                      .arg(scheme, host)
                      .arg(port_->value())
                      .arg(token_->text()));
}

void CLiveViewDlg::Browse(QLineEdit* edit, const char* title) {
    if (auto path = dialogs_.OpenFileName(title, "PEM (*.pem *.crt *.key);;すべて (*)",
                                          edit->text().toStdString()))
        edit->setText(QString::fromStdString(*path));
}

}  // namespace vmf
