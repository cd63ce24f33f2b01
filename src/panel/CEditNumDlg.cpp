#include "panel/CEditNumDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/NumberParse.h"
#include "store/TextFormat.h"

namespace vmf {

CEditNumDlg::CEditNumDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("数値編集"));
    setProperty("ctrlId", 135);

    label_ = new QLabel(QStringLiteral("----------"), this);
    label_->setProperty("ctrlId", 1070);
    edit_ = new QLineEdit(this);
    edit_->setProperty("ctrlId", 1069);
    edit_->setMinimumWidth(110);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setProperty("ctrlId", 1);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setProperty("ctrlId", 2);
    connect(ok, &QPushButton::clicked, this, &CEditNumDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label_, 0, 0);
    grid->addWidget(edit_, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 1, 0, 1, 2);
    setFixedSize(sizeHint());
}

void CEditNumDlg::showEvent(QShowEvent* event) {
    // The caller sets label and value between construction and exec().
    label_->setText(label);
    edit_->setText(QString::fromStdString(CFormat("%5.0f", static_cast<double>(value))));
    edit_->selectAll();
    edit_->setFocus();
    QDialog::showEvent(event);
}

void CEditNumDlg::OnOK() {
    value = static_cast<float>(ParseDecimalPrefix(edit_->text().toStdString()));
    accept();
}

}  // namespace vmf
