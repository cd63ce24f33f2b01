#pragma once
// The "色彩値" window: every colour value of the displayed record of the
// selected head, light-source values in method 光源, sample values under D65
// or D50 in 反射 and 透過, and the difference from the comparison file's
// record while one is loaded; a button copies the rows as text.
//
// The window is modeless and follows the panel: it is told when the displayed
// record may have changed and recomputes once the event loop is idle, so a
// burst of notifications (continuous browsing, a measurement) costs one
// computation. It asks a source function for what to compute, so it can be
// shown for any store; PanelColourSource is the panel's.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "spectrum/ColourText.h"

class QComboBox;
class QPushButton;
class QTableWidget;
class QTimer;

namespace vmf {

class Cvarnello_mfView;

class CColourValuesDlg : public QDialog {
    Q_OBJECT
public:
    struct Shown {
        ColourRequest request;  // its illuminant is the window's own choice
        bool valid = false;     // false: no head selected
        // What the copied text names (UTF-8): the store's file (its title
        // while it has none), the head's serial number, and the comparison
        // file's name and head's serial number while one is loaded.
        std::string file, serial, compareFile, compareSerial;
    };
    using Source = std::function<Shown()>;

    explicit CColourValuesDlg(Source source, QWidget* parent = nullptr);

    // Recomputes at the next idle moment while the window is visible.
    void ScheduleRefresh();
    // Recomputes now (also while hidden).
    void Refresh();

    const std::vector<ColourRow>& rows() const { return rows_; }
    QTableWidget* table() const { return table_; }
    QComboBox* illuminantBox() const { return illuminant_; }
    QPushButton* copyButton() const { return copy_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnCopy();
    // The lines the copy puts before the rows: which file, head and record.
    static std::string CopiedSubject(const Shown& shown);

    Source source_;
    std::vector<ColourRow> rows_;
    QTableWidget* table_ = nullptr;
    QComboBox* illuminant_ = nullptr;
    QPushButton* copy_ = nullptr;
    QTimer* refresh_ = nullptr;
};

// What the panel shows: the selected head's displayed record with the panel's
// method, and the comparison file's current head and record while loaded.
CColourValuesDlg::Source PanelColourSource(Cvarnello_mfView& view);

}  // namespace vmf
