#pragma once
// Which curve is which: each entry of the head list 1003 carries a swatch
// of its head's measured-curve colour (and, in 反射 and 透過, its ratio colour
// beside it); the comparison file name 1022 carries the colour of the
// comparison head shown, and the comparison rows say what they step through.
// It follows the panel's redraws and touches none of the graph's drawing.

#include <QColor>
#include <QIcon>
#include <QObject>

#include "panel/GraphMath.h"

class QAction;

namespace vmf {

class Cvarnello_mfView;

class HeadSwatches : public QObject {
    Q_OBJECT
public:
    explicit HeadSwatches(Cvarnello_mfView& view);

    // Brings the swatches up to date with the head list, method and comparison.
    void Update();
    // The swatch of one colour, or of two side by side, width pixels wide.
    static QIcon Swatch(const QColor& left, const QColor& right, int width = 16);
    // A pen colour of the graph as a QColor.
    static QColor PenColour(const Rgb& c);
    // The tooltip of a head's entry: its slot (shown from 1) and serial number.
    static QString HeadTip(int slot, const QString& serial);

private:
    Cvarnello_mfView& view_;
    QAction* compareMark_ = nullptr;
    int shownKey_ = -1;
};

}  // namespace vmf
