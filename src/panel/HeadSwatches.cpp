#include "panel/HeadSwatches.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>

#include "panel/Cvarnello_mfView.h"
#include "panel/GraphMath.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

constexpr int kSwatchH = 12;
// The panel's head list is narrow: a full-width swatch would cut the last
// character of an eight-character serial number.
constexpr int kListSwatchW = 8;

}  // namespace

HeadSwatches::HeadSwatches(Cvarnello_mfView& view) : QObject(&view), view_(view) {
    auto tip = [&](int id, const char* text) {
        if (QWidget* w = view_.Control(id)) w->setToolTip(QString::fromUtf8(text));
    };
    tip(ctl::CompareHeadBack, "比較ファイルの前のヘッド");
    tip(ctl::CompareHeadPosition, "比較ファイルのヘッド (番号 / ヘッド数)");
    tip(ctl::CompareHeadNext, "比較ファイルの次のヘッド");
    tip(ctl::CompareRecordBack, "比較ファイルの前の記録");
    tip(ctl::CompareRecordPosition, "比較ファイルの記録 (番号 / 記録数)");
    tip(ctl::CompareRecordNext, "比較ファイルの次の記録");
    connect(&view_, &Cvarnello_mfView::displayedChanged, this, &HeadSwatches::Update);
    // Detection fills the list without a redraw: the entries get theirs at once.
    if (auto* list = qobject_cast<QListWidget*>(view_.Control(ctl::HeadList))) {
        list->setIconSize(QSize(kListSwatchW, kSwatchH));
        connect(list->model(), &QAbstractItemModel::rowsInserted, this,
                [this] { QTimer::singleShot(0, this, &HeadSwatches::Update); });
    }
}

QColor HeadSwatches::PenColour(const Rgb& c) { return QColor(c.r, c.g, c.b); }

QIcon HeadSwatches::Swatch(const QColor& left, const QColor& right, int width) {
    QPixmap pixmap(width, kSwatchH);
    QPainter p(&pixmap);
    p.fillRect(0, 0, width / 2, kSwatchH, left);
    p.fillRect(width / 2, 0, width - width / 2, kSwatchH, right);
    p.end();
    return QIcon(pixmap);
}

void HeadSwatches::Update() {
    const bool ratio = view_.state().method != MeasuringMethod::LightSource;
    if (auto* list = qobject_cast<QListWidget*>(view_.Control(ctl::HeadList))) {
        for (int u = 0; u < std::min(list->count(), MAX_HEADS); ++u) {
            QListWidgetItem* item = list->item(u);
            const QColor measured = PenColour(MeasuredColour(u));
            const QColor second = ratio ? PenColour(RatioColour(u)) : measured;
            const QString key = measured.name() + second.name();
            if (item->data(Qt::UserRole + 1).toString() == key) continue;
            item->setIcon(Swatch(measured, second, kListSwatchW));
            item->setData(Qt::UserRole + 1, key);
        }
    }
    auto* name = qobject_cast<QLineEdit*>(view_.Control(ctl::CompareName));
    if (!name) return;
    const int head = view_.compareStore() ? view_.state().compareHead : -1;
    if (head == shownKey_) return;
    shownKey_ = head;
    if (compareMark_) {
        name->removeAction(compareMark_);
        delete compareMark_;
        compareMark_ = nullptr;
    }
    if (head < 0 || head >= MAX_HEADS) return;
    const QColor c = PenColour(ComparisonColour(head));
    compareMark_ = name->addAction(Swatch(c, c), QLineEdit::LeadingPosition);
    compareMark_->setToolTip(QString::fromUtf8("比較の曲線の色"));
}

}  // namespace vmf
