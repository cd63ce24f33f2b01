#include "panel/HeadSwatches.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "panel/Cvarnello_mfView.h"
#include "panel/GraphMath.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

constexpr int kSwatchH = 12;
// The panel's head list is narrow (80 pixels, a scroll bar once ten heads
// are listed): a slim swatch leaves the width to the serial number.
constexpr int kListSwatchW = 8;
constexpr int kGap = 3;
// Below this the serial number would no longer be legible.
constexpr qreal kSmallestPointSize = 6.5;

// Draws the swatch at the entry's left edge and the serial number beside it,
// in a font just small enough for the whole number to fit the list's width,
// so no character of an eight-character serial number is cut off.
class HeadListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        const QIcon swatch = opt.icon;
        opt.text.clear();
        opt.icon = QIcon();
        opt.features &= ~QStyleOptionViewItem::HasDecoration;
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        // The entry's own rectangle may run past the visible width.
        const auto* view = qobject_cast<const QAbstractItemView*>(widget);
        QRect r = opt.rect;
        if (view) r.setRight(std::min(r.right(), view->viewport()->width() - 1));
        const int h = std::min(kSwatchH, r.height() - 2);
        const QRect box(r.left() + 2, r.top() + (r.height() - h) / 2, kListSwatchW, h);
        if (!swatch.isNull()) swatch.paint(painter, box);
        const QRect textRect(box.right() + 1 + kGap, r.top(), r.right() - box.right() - kGap,
                             r.height());
        painter->save();
        painter->setFont(FittingFont(opt.font, text, textRect.width()));
        painter->setPen(opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
    }

    // No wider than the list: the text is fitted to it rather than scrolled.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }

    static QFont FittingFont(QFont font, const QString& text, int width) {
        if (font.pointSizeF() <= 0) return font;
        while (QFontMetrics(font).horizontalAdvance(text) > width &&
               font.pointSizeF() - 0.5 >= kSmallestPointSize)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        return font;
    }
};

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
        list->setItemDelegate(new HeadListDelegate(list));
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(list->model(), &QAbstractItemModel::rowsInserted, this,
                [this] { QTimer::singleShot(0, this, &HeadSwatches::Update); });
    }
}

QColor HeadSwatches::PenColour(const Rgb& c) { return QColor(c.r, c.g, c.b); }

QString HeadSwatches::HeadTip(int slot, const QString& serial) {
    return QString::fromUtf8("ヘッド %1 / シリアル番号 %2").arg(slot + 1).arg(serial);
}

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
            item->setToolTip(
                HeadTip(u, QString::fromStdString(Cp932ToUtf8(view_.doc().serialNo[u]))));
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
