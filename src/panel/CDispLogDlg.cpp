#include "panel/CDispLogDlg.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

// The store keeps CR LF line ends; the edit works with LF (a CR would count
// as a line break of its own there).
QString ToEditText(const std::string& cp932) {
    QString text = QString::fromStdString(Cp932ToUtf8(cp932));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string FromEditText(const QString& text) {
    QString crlf = text;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return Utf8ToCp932(crlf.toStdString());
}

}  // namespace

CDispLogDlg::CDispLogDlg(Cvarnello_mfDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("作業履歴（検出～計測、任意文字挿入可能）"));
    setProperty("ctrlId", 130);

    edit_ = new QPlainTextEdit(this);
    edit_->setProperty("ctrlId", 1057);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit_->setTabChangesFocus(true);
    edit_->installEventFilter(this);
    edit_->setPlainText(ToEditText(doc_.historyText));
    edit_->document()->setModified(false);
    edit_->moveCursor(QTextCursor::Start);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(edit_);
    resize(640, 420);
}

bool CDispLogDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ControlModifier) {
                edit_->textCursor().insertText(QStringLiteral("\n"));
                edit_->ensureCursorVisible();
            } else {
                accept();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDispLogDlg::reject() {
    StoreEdits();
    QDialog::reject();
}

void CDispLogDlg::accept() {
    StoreEdits();
    QDialog::accept();
}

void CDispLogDlg::StoreEdits() {
    // An untouched edit stores nothing: the history may hold bytes that do
    // not survive the trip through Unicode, and merely viewing it must not
    // rewrite them or mark the document modified.
    if (!edit_->document()->isModified()) return;
    const QString shown = edit_->toPlainText();
    if (shown == ToEditText(doc_.historyText)) return;  // edited back to what it was
    std::string text = FromEditText(shown);
    if (text == doc_.historyText) return;
    doc_.historyText = std::move(text);
    doc_.SetModifiedFlag(true);
}

}  // namespace vmf
