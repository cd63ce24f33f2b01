#include "panel/CColourValuesDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "common/DocumentNaming.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {
QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
}
}  // namespace

CColourValuesDlg::CColourValuesDlg(Source source, QWidget* parent)
    : QDialog(parent), source_(std::move(source)) {
    setWindowTitle(QStringLiteral("色彩値"));
    setModal(false);

    table_ = new QTableWidget(0, 2, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("項目"), QStringLiteral("値")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);

    illuminant_ = new QComboBox(this);
    illuminant_->addItem(QStringLiteral("D65"));
    illuminant_->addItem(QStringLiteral("D50"));
    copy_ = new QPushButton(QStringLiteral("コピー"), this);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("反射・透過の光源:"), this));
    buttons->addWidget(illuminant_);
    buttons->addStretch(1);
    buttons->addWidget(copy_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(520, 560);

    refresh_ = new QTimer(this);
    refresh_->setSingleShot(true);
    refresh_->setInterval(0);
    connect(refresh_, &QTimer::timeout, this, &CColourValuesDlg::Refresh);
    connect(illuminant_, &QComboBox::currentIndexChanged, this, &CColourValuesDlg::Refresh);
    connect(copy_, &QPushButton::clicked, this, &CColourValuesDlg::OnCopy);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void CColourValuesDlg::ScheduleRefresh() {
    if (isVisible()) refresh_->start();
}

void CColourValuesDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Refresh();
}

void CColourValuesDlg::Refresh() {
    Shown shown = source_ ? source_() : Shown{};
    ColourRequest& q = shown.request;
    q.illuminant = illuminant_->currentIndex() == 1 ? SampleIlluminant::D50 : SampleIlluminant::D65;
    if (!shown.valid) q.doc = nullptr;  // no head selected: nothing to show
    rows_ = ColourRows(ColourOfDisplayed(q), q.head, q.record, q.method);
    illuminant_->setEnabled(q.method != MeasuringMethod::LightSource);

    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const ColourRow& r = rows_[static_cast<size_t>(i)];
        table_->setItem(i, 0, new QTableWidgetItem(Q(r.label)));
        table_->setItem(i, 1, new QTableWidgetItem(Q(r.value)));
    }
    table_->resizeRowsToContents();
}

CColourValuesDlg::Source PanelColourSource(Cvarnello_mfView& view) {
    return [&view] {
        CColourValuesDlg::Shown shown;
        const PanelState& st = view.state();
        ColourRequest& q = shown.request;
        shown.valid = st.selectedHead >= 0;
        q.doc = &view.doc();
        q.ws = &view.workspace();
        q.head = st.selectedHead;
        q.record = st.displayedRecord;
        q.method = st.method;
        q.compare = view.compareStore().get();
        q.compareHead = st.compareHead;
        q.compareRecord = st.compareRecord;
        const Cvarnello_mfDoc& doc = view.doc();
        shown.file = doc.pathName.empty() ? DisplayTitle(doc.title) : doc.pathName;
        if (st.selectedHead >= 0 && st.selectedHead < MAX_HEADS)
            shown.serial = Cp932ToUtf8(doc.serialNo[static_cast<size_t>(st.selectedHead)]);
        if (q.compare) {
            if (auto* name = qobject_cast<QLineEdit*>(view.Control(ctl::CompareName)))
                shown.compareFile = name->text().toStdString();
            if (st.compareHead >= 0 && st.compareHead < MAX_HEADS)
                shown.compareSerial =
                    Cp932ToUtf8(q.compare->serialNo[static_cast<size_t>(st.compareHead)]);
        }
        return shown;
    };
}

std::string CColourValuesDlg::CopiedSubject(const Shown& shown) {
    const ColourRequest& q = shown.request;
    // The rows name the head's number and the record themselves.
    std::string text = "ファイル\t" + shown.file + "\r\n";
    if (shown.valid) text += "シリアル番号\t" + shown.serial + "\r\n";
    if (q.compare)
        text += "比較ファイル\t" + shown.compareFile + "\r\n" +
                CFormat("比較ヘッド (シリアル番号) / 記録\t%d (%s) / %d\r\n", q.compareHead + 1,
                        shown.compareSerial.c_str(), q.compareRecord + 1);
    return text;
}

void CColourValuesDlg::OnCopy() {
    // Pasted elsewhere the values must still say where they come from.
    const Shown shown = source_ ? source_() : Shown{};
    QApplication::clipboard()->setText(Q(CopiedSubject(shown) + ColourRowsText(rows_)));
}

}  // namespace vmf
