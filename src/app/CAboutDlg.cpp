#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "resources/AppIcons.h"

namespace vmf {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バージョン情報 varnello_mf"));
    setProperty("ctrlId", 100);

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* version = new QLabel(QString::fromUtf8(kVersionLine), this);
    auto* note = new QLabel(QStringLiteral("USB 分光センサ計測ツール"), this);
    auto* licence = new QLabel(QString::fromUtf8(kLicenceLine), this);
    licence->setObjectName(QStringLiteral("licence"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(note, 1, 1);
    grid->addWidget(licence, 2, 1);
    grid->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    grid->setHorizontalSpacing(16);
    setFixedSize(sizeHint());
}

}  // namespace vmf
