#include "panel/CColourValuesDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "panel/Cvarnello_mfView.h"

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
        return shown;
    };
}

void CColourValuesDlg::OnCopy() { QApplication::clipboard()->setText(Q(ColourRowsText(rows_))); }

}  // namespace vmf
