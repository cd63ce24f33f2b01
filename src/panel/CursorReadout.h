#pragma once
// Values under the cursor: while the mouse moves over the graph's plot box,
// the frame's status bar shows the wavelength there and the value of every
// drawn curve (through the panel's statusText signal); leaving the plot box
// clears it. It only watches the graph frame's mouse events, so the graph's
// drawing is untouched.

#include <QObject>
#include <QString>

namespace vmf {

class Cvarnello_mfView;

class CursorReadout : public QObject {
    Q_OBJECT
public:
    explicit CursorReadout(Cvarnello_mfView& view);

    // The text for a point in frame coordinates (empty outside the plot box).
    QString TextAt(int x, int y) const;
    QString LastText() const { return last_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show(const QString& text);

    Cvarnello_mfView& view_;
    QString last_;
};

}  // namespace vmf
