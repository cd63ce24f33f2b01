#pragma once
// "数値編集": asks for one number. The caller sets `label` and `value`, runs
// exec(), and reads `value` only after QDialog::Accepted. The edit shows the
// value with "%5.0f"; OK takes the longest valid decimal prefix of the text
// (0 when there is none). Cancel, Esc and the close box leave `value` as it was.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace vmf {

class CEditNumDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEditNumDlg(QWidget* parent = nullptr);

    float value = 8192.0f;
    QString label = QStringLiteral("最大値");

    // The label (id 1070) and edit (id 1069) controls, for tests.
    QLabel* labelControl() const { return label_; }
    QLineEdit* editControl() const { return edit_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOK();

    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

}  // namespace vmf
