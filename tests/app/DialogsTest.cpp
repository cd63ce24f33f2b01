// The numeric edit and history dialogs, driven by key and mouse events.

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "panel/CDispLogDlg.h"
#include "panel/CEditNumDlg.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {

namespace {

QPushButton* ButtonWithId(QWidget& dialog, int id) {
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->property("ctrlId").toInt() == id) return b;
    return nullptr;
}

// Opens the dialog as the caller does (label and value set after
// construction) and returns the edit's text.
QString Shown(CEditNumDlg& dlg, float value, const QString& label = QStringLiteral("最大値")) {
    dlg.value = value;
    dlg.label = label;
    dlg.show();
    return dlg.editControl()->text();
}

// Types text (Japanese included, which QTest::keyClicks cannot) as one key
// press carrying it, the way an input method delivers a composed word.
void TypeText(QWidget* widget, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

const char* kHistory =
    "2026/12/07 10:00:00,ヴァルネロ検出 1:serial=A1234567 exp=1000  \r\n"
    "2026/12/07 10:01:00,計測開始 DataNo=0 wave comp=0 1:serial=A1234567 exp=1000\r\n";

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void editShowsTheValueWithFivePlaces() {
        CEditNumDlg a;
        QCOMPARE(Shown(a, 8192.0f), QStringLiteral(" 8192"));
        QCOMPARE(a.windowTitle(), QStringLiteral("数値編集"));
        QCOMPARE(a.labelControl()->text(), QStringLiteral("最大値"));
        QCOMPARE(a.labelControl()->property("ctrlId").toInt(), 1070);
        QCOMPARE(a.editControl()->property("ctrlId").toInt(), 1069);
        CEditNumDlg b;
        QCOMPARE(Shown(b, 500.0f, QStringLiteral("最小値")), QStringLiteral("  500"));
        QCOMPARE(b.labelControl()->text(), QStringLiteral("最小値"));
        CEditNumDlg c;
        QCOMPARE(Shown(c, 123456.0f), QStringLiteral("123456"));
        CEditNumDlg d;
        QCOMPARE(Shown(d, -500.0f), QStringLiteral(" -500"));
    }

    void okTakesTheTypedNumber() {
        CEditNumDlg dlg;
        Shown(dlg, 8192.0f);
        dlg.editControl()->clear();
        QTest::keyClicks(dlg.editControl(), QStringLiteral("12.7"));
        QTest::keyClick(dlg.editControl(), Qt::Key_Return);  // Enter is OK
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.value, 12.7f);

        CEditNumDlg letters;
        Shown(letters, 8192.0f);
        letters.editControl()->setText(QStringLiteral("abc"));
        QTest::mouseClick(ButtonWithId(letters, 1), Qt::LeftButton);
        QCOMPARE(letters.result(), int(QDialog::Accepted));
        QCOMPARE(letters.value, 0.0f);
    }

    void cancelKeepsTheValue() {
        CEditNumDlg button;
        Shown(button, 640.0f);
        button.editControl()->setText(QStringLiteral("77"));
        QTest::mouseClick(ButtonWithId(button, 2), Qt::LeftButton);
        QCOMPARE(button.result(), int(QDialog::Rejected));
        QCOMPARE(button.value, 640.0f);
        QCOMPARE(ButtonWithId(button, 2)->text(), QStringLiteral("キャンセル"));

        CEditNumDlg esc;
        Shown(esc, 640.0f);
        esc.editControl()->setText(QStringLiteral("77"));
        QTest::keyClick(esc.editControl(), Qt::Key_Escape);
        QCOMPARE(esc.result(), int(QDialog::Rejected));
        QCOMPARE(esc.value, 640.0f);
    }

    void historyShowsTheTextWithItsLines() {
        Cvarnello_mfDoc doc;
        doc.historyText = Utf8ToCp932(kHistory);
        CDispLogDlg dlg(doc);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("作業履歴（検出～計測、任意文字挿入可能）"));
        QCOMPARE(dlg.editControl()->property("ctrlId").toInt(), 1057);
        QCOMPARE(dlg.editControl()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(dlg.editControl()->document()->blockCount(), 3);  // two lines and the empty end
        QVERIFY(dlg.editControl()->toPlainText().startsWith(
            QStringLiteral("2026/12/07 10:00:00,ヴァルネロ検出 ")));
    }

    void closingWithoutChangeLeavesTheStoreAlone() {
        Cvarnello_mfDoc doc;
        // A byte the code page cannot decode: viewing must not rewrite it.
        doc.historyText = Utf8ToCp932(kHistory) + "\xA0" + "\r\n";
        const std::string before = doc.historyText;
        CDispLogDlg dlg(doc);
        dlg.show();
        dlg.close();
        QCOMPARE(doc.historyText, before);
        QVERIFY(!doc.IsModified());
    }

    void closingAfterANoteStoresIt() {
        Cvarnello_mfDoc doc;
        doc.historyText = Utf8ToCp932(kHistory);
        CDispLogDlg dlg(doc);
        dlg.show();
        QPlainTextEdit* edit = dlg.editControl();
        edit->moveCursor(QTextCursor::End);
        TypeText(edit, QStringLiteral("メモ"));
        QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);  // a line break, not OK
        QVERIFY(dlg.isVisible());
        QTest::keyClicks(edit, QStringLiteral("2"));
        dlg.close();
        QCOMPARE(doc.historyText, Utf8ToCp932(std::string(kHistory) + "メモ\r\n2"));
        QVERIFY(doc.IsModified());
    }

    void escAfterANoteStoresIt() {
        Cvarnello_mfDoc doc;
        doc.historyText = Utf8ToCp932(kHistory);
        CDispLogDlg dlg(doc);
        dlg.show();
        dlg.editControl()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(dlg.editControl(), QStringLiteral("x"));
        QTest::keyClick(dlg.editControl(), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(doc.historyText, Utf8ToCp932(std::string("x") + kHistory));
        QVERIFY(doc.IsModified());
    }

    void enterKeepsANoteAndLeavesAnUnchangedTextAlone() {
        Cvarnello_mfDoc doc;
        doc.historyText = Utf8ToCp932(kHistory);
        {
            CDispLogDlg dlg(doc);
            dlg.show();
            QTest::keyClick(dlg.editControl(), Qt::Key_Return);
            QVERIFY(!dlg.isVisible());
            QVERIFY(!doc.IsModified());
        }
        CDispLogDlg dlg(doc);
        dlg.show();
        dlg.editControl()->moveCursor(QTextCursor::End);
        TypeText(dlg.editControl(), QStringLiteral("メモ"));
        QTest::keyClick(dlg.editControl(), Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(doc.historyText, Utf8ToCp932(std::string(kHistory) + "メモ"));
        QVERIFY(doc.IsModified());
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::DialogsTest)
#include "DialogsTest.moc"
