#include "resources/AppIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vmf {
namespace {

QPixmap Canvas(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap DrawAppIcon(int size) {
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 36, 52));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    // The beam and the fanned-out colours.
    p.setPen(QPen(Qt::white, 1.6));
    p.drawLine(QPointF(3, 19), QPointF(12, 17));
    const QColor colours[] = {QColor(255, 40, 40), QColor(255, 160, 0),  QColor(240, 240, 0),
                              QColor(40, 210, 60), QColor(40, 120, 255), QColor(150, 60, 230)};
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(colours[i], 1.6));
        p.drawLine(QPointF(19, 16.5), QPointF(30, 13.0 + i * 2.4));
    }
    QPainterPath prism;
    prism.moveTo(16, 6);
    prism.lineTo(23, 24);
    prism.lineTo(9, 24);
    prism.closeSubpath();
    p.setPen(QPen(QColor(200, 220, 255), 1.2));
    p.setBrush(QColor(160, 190, 255, 90));
    p.drawPath(prism);
    return pixmap;
}

QPixmap DrawGlyph(ToolGlyph glyph) {
    QPixmap pixmap = Canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen ink(QColor(40, 40, 40), 1.2);
    p.setPen(ink);
    switch (glyph) {
        case ToolGlyph::Cut:
            p.drawLine(QPointF(5, 2), QPointF(10, 10));
            p.drawLine(QPointF(11, 2), QPointF(6, 10));
            p.drawEllipse(QPointF(4.5, 12.5), 2.2, 2.2);
            p.drawEllipse(QPointF(11.5, 12.5), 2.2, 2.2);
            break;
        case ToolGlyph::Copy:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 2.5, 7, 8));
            p.drawRect(QRectF(6.5, 5.5, 7, 8));
            break;
        case ToolGlyph::Paste:
            p.setBrush(QColor(210, 170, 110));
            p.drawRect(QRectF(2.5, 3.5, 9, 11));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7.5, 6.5, 6, 7));
            p.drawRect(QRectF(5, 2, 4, 2.5));
            break;
        case ToolGlyph::Print:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(190, 190, 190));
            p.drawRect(QRectF(1.5, 6.5, 13, 6));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 10.5, 7, 4));
            break;
    }
    return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(DrawAppIcon(size));
    return icon;
}

QPixmap ApplicationIconPixmap(int size) { return DrawAppIcon(size); }

QPixmap DocumentIconPixmap(int size) {
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.save();
    p.scale(size / 32.0, size / 32.0);
    QPainterPath sheet;
    sheet.moveTo(5, 1.5);
    sheet.lineTo(21, 1.5);
    sheet.lineTo(27, 7.5);
    sheet.lineTo(27, 30.5);
    sheet.lineTo(5, 30.5);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(120, 120, 130), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(21, 1.5);
    corner.lineTo(21, 7.5);
    corner.lineTo(27, 7.5);
    p.setBrush(QColor(220, 222, 228));
    p.drawPath(corner);
    p.restore();
    // The program's drawing on the lower part of the sheet.
    const int inner = size * 5 / 8;
    p.drawPixmap((size - inner) / 2, size - inner - size / 16, DrawAppIcon(inner));
    return pixmap;
}

QIcon ToolbarIcon(ToolGlyph glyph) {
    const char* theme = "";
    switch (glyph) {
        case ToolGlyph::Cut:
            theme = "edit-cut";
            break;
        case ToolGlyph::Copy:
            theme = "edit-copy";
            break;
        case ToolGlyph::Paste:
            theme = "edit-paste";
            break;
        case ToolGlyph::Print:
            theme = "document-print";
            break;
    }
    return QIcon::fromTheme(QString::fromLatin1(theme), QIcon(DrawGlyph(glyph)));
}

}  // namespace vmf
