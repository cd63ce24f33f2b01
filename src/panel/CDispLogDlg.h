#pragma once
// The operation history viewer "作業履歴（検出～計測、任意文字挿入可能）".
// Shows doc.historyText in one plain-text edit (id 1057). Esc or the close box
// keeps the operator's edits: when the text differs from historyText byte for
// byte (after conversion to code page 932, CR LF line ends) it replaces it and
// marks the document modified. Enter closes the same way: a note typed and
// confirmed with Enter is the operator's input, not something to drop.
// Ctrl+Enter inserts a line break.

#include <QDialog>

class QPlainTextEdit;

namespace vmf {

class Cvarnello_mfDoc;

class CDispLogDlg : public QDialog {
    Q_OBJECT
public:
    CDispLogDlg(Cvarnello_mfDoc& doc, QWidget* parent = nullptr);

    // The edit control (id 1057), for tests.
    QPlainTextEdit* editControl() const { return edit_; }

    // Esc and the close box come here, Enter to accept: both store the
    // edits, then close.
    void reject() override;
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StoreEdits();

    Cvarnello_mfDoc& doc_;
    QPlainTextEdit* edit_ = nullptr;
};

}  // namespace vmf
