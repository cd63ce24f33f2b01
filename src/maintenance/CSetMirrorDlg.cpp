#include "maintenance/CSetMirrorDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/DeviceLibrary.h"
#include "panel/Cvarnello_mfView.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

constexpr int kStepUpId = 1060;
constexpr int kPositionEditId = 1059;
constexpr int kStepDownId = 1061;
constexpr int kSetId = 1058;
constexpr int kStep = 1000;

QPushButton* Button(QWidget* parent, const char* caption, int id) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setProperty("ctrlId", id);
    // Only OK is the default button: Enter in the edit must not step.
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CSetMirrorDlg::CSetMirrorDlg(Cvarnello_mfView& view, QWidget* parent)
    : QDialog(parent), parentView_(view) {
    setWindowTitle(QStringLiteral("ミラー制御"));

    QPushButton* up = Button(this, "+1000", kStepUpId);
    edit_ = new QLineEdit(this);
    edit_->setProperty("ctrlId", kPositionEditId);
    edit_->setMinimumWidth(90);
    QPushButton* down = Button(this, "-1000", kStepDownId);
    QPushButton* set = Button(this, "set", kSetId);
    QPushButton* ok = Button(this, "OK", 1);
    ok->setDefault(true);
    QPushButton* cancel = Button(this, "キャンセル", 2);

    auto* row = new QHBoxLayout;
    row->addWidget(up);
    row->addWidget(edit_, 1);
    row->addWidget(down);
    row->addSpacing(12);
    row->addWidget(set);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addSpacing(8);
    column->addLayout(buttons);

    connect(up, &QPushButton::clicked, this, [this] { OnStep(kStep); });
    connect(down, &QPushButton::clicked, this, [this] { OnStep(-kStep); });
    connect(set, &QPushButton::clicked, this, &CSetMirrorDlg::OnSet);
    // Both only close: every position was sent when its button was pressed.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    ShowPosition();
}

CSetMirrorDlg::~CSetMirrorDlg() = default;

QWidget* CSetMirrorDlg::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property("ctrlId").toInt() == id) return w;
    return nullptr;
}

void CSetMirrorDlg::OnStep(int delta) {
    const uint16_t bits = stepper_.Step(delta);
    ShowPosition();
    Send(bits);
}

void CSetMirrorDlg::OnSet() {
    // The edit and the stepped position stay as they are, so the next step
    // starts from the last stepped position, not from the typed one.
    Send(MirrorStepper::TypedPosition(edit_->text().toStdString()));
}

void CSetMirrorDlg::Send(uint16_t position) {
    DeviceLibrary* lib = parentView_.context().devices;
    const auto& mirror = parentView_.state().mirrorDevice;
    // The result is not examined: the unit gives no position back to compare.
    if (lib && mirror) lib->DevSetMirrorPosition(*mirror, position);
}

void CSetMirrorDlg::ShowPosition() {
    edit_->setText(QString::fromStdString(CFormat("%d", static_cast<int>(stepper_.position()))));
}

}  // namespace vmf
