#include "csv/CSaveCSVDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "common/PanelOptions.h"
#include "common/UserDialogs.h"
#include "csv/CsvDialogRules.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

// Paths this long did not fit the folder browser's buffer where the options
// were first kept; such a choice is ignored so stored folders stay usable
// on every system that reads the same settings.
constexpr int kMaxFolderChars = 260;

template <class W>
W* Tagged(W* w, int id) {
    w->setProperty("ctrlId", id);
    return w;
}

QString Num(int v) { return QString::fromStdString(CFormat("%d", v)); }
QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string ToUtf8(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace

CSaveCSVDlg::CSaveCSVDlg(const Cvarnello_mfDoc& doc, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), doc_(doc), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("CSVファイル保存"));
    setProperty("ctrlId", 133);
    BuildControls();
}

void CSaveCSVDlg::BuildControls() {
    // Left: what goes into the file.
    auto* contents = new QGroupBox(this);
    auto* left = new QVBoxLayout(contents);
    addTemp_ = Tagged(new QCheckBox(QStringLiteral("温度データをつける"), contents), 1049);
    addExposure_ = Tagged(new QCheckBox(QStringLiteral("露光時間データをつける"), contents), 1050);
    addWave_ = Tagged(new QCheckBox(QStringLiteral("波長データをつける"), contents), 1057);
    vertical_ = Tagged(new QCheckBox(QStringLiteral("データを縦方向に保存する"), contents), 1058);
    for (QCheckBox* c : {addTemp_, addExposure_, addWave_, vertical_}) left->addWidget(c);
    auto* choose = new QFormLayout;
    target_ = Tagged(new QComboBox(contents), 1068);
    head_ = Tagged(new QComboBox(contents), 1056);
    // Plain drop-down lists: typed text could leave no selection, and a
    // target of -1 names nothing the writer could write.
    target_->setEditable(false);
    head_->setEditable(false);
    head_->setMinimumContentsLength(12);
    choose->addRow(QStringLiteral("保存対象"), target_);
    choose->addRow(QStringLiteral("ヴァルネロ選択"), head_);
    left->addLayout(choose);
    left->addStretch(1);

    // Right: wavelengths and the record range.
    auto* ranges = new QGroupBox(this);
    auto* form = new QFormLayout(ranges);
    startNm_ = Tagged(new QLineEdit(ranges), 1051);
    endNm_ = Tagged(new QLineEdit(ranges), 1052);
    stepNm_ = Tagged(new QLineEdit(ranges), 1053);
    firstData_ = Tagged(new QLineEdit(ranges), 1054);
    endData_ = Tagged(new QLineEdit(ranges), 1055);
    form->addRow(QStringLiteral("開始波長(nm)"), startNm_);
    form->addRow(QStringLiteral("終了波長(nm)"), endNm_);
    form->addRow(QStringLiteral("波長ステップ(nm)"), stepNm_);
    form->addRow(QStringLiteral("保存開始データ番号"), firstData_);
    form->addRow(QStringLiteral("保存終了データ番号"), endData_);
    for (QLineEdit* e : {startNm_, endNm_, stepNm_, firstData_, endData_}) e->setMaximumWidth(90);

    // Bottom: automatic saving.
    auto* automatic = new QGroupBox(this);
    auto* grid = new QGridLayout(automatic);
    autoSave_ =
        Tagged(new QCheckBox(QStringLiteral("データ取得時にファイルに保存する"), automatic), 1059);
    fixedName_ = Tagged(new QRadioButton(QStringLiteral("固定ファイル名"), automatic), 1061);
    fileName_ = Tagged(new QLineEdit(automatic), 1063);
    timeName_ = Tagged(new QRadioButton(QStringLiteral("時刻ファイル名"), automatic), 1062);
    numberName_ = Tagged(new QRadioButton(QStringLiteral("データ番号ファイル名"), automatic), 1064);
    folderLabel_ = Tagged(new QLabel(QStringLiteral("CSVファイル保存フォルダ"), automatic), 1067);
    folder_ = Tagged(new QLineEdit(automatic), 1065);
    browse_ = Tagged(new QPushButton(QStringLiteral("参照"), automatic), 1066);
    // The naming follows autoSaveNaming alone, which may also be none of
    // the three (a stored value out of range): the buttons are set by hand.
    for (QRadioButton* r : {fixedName_, timeName_, numberName_}) r->setAutoExclusive(false);
    folder_->setMinimumWidth(300);
    grid->addWidget(autoSave_, 0, 0, 1, 3);
    grid->addWidget(fixedName_, 1, 0);
    grid->addWidget(fileName_, 1, 1, 1, 2);
    grid->addWidget(timeName_, 2, 0);
    grid->addWidget(numberName_, 3, 0);
    grid->addWidget(folderLabel_, 4, 0, 1, 3);
    grid->addWidget(folder_, 5, 0, 1, 2);
    grid->addWidget(browse_, 5, 2);
    grid->setColumnStretch(1, 1);

    ok_ = Tagged(new QPushButton(QStringLiteral("OK"), this), 1);
    cancel_ = Tagged(new QPushButton(QStringLiteral("キャンセル"), this), 2);
    ok_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* top = new QHBoxLayout;
    top->addWidget(contents, 1);
    top->addWidget(ranges, 1);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(automatic);
    all->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CSaveCSVDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CSaveCSVDlg::reject);
    connect(addTemp_, &QCheckBox::clicked, this, [this] { csvAddTemp = !csvAddTemp; });
    connect(addExposure_, &QCheckBox::clicked, this, [this] { csvAddExposure = !csvAddExposure; });
    connect(head_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!initialising_ && index >= 0) csvHead = index;
    });
    connect(autoSave_, &QCheckBox::clicked, this, [this] {
        autoSaveOn = !autoSaveOn;
        ApplyEnabling();
    });
    const std::pair<QRadioButton*, int> naming[] = {
        {fixedName_, 0}, {timeName_, 1}, {numberName_, 2}};
    for (auto [button, mode] : naming) {
        connect(button, &QRadioButton::clicked, this, [this, mode = mode] {
            autoSaveNaming = mode;
            ApplyEnabling();
        });
    }
    connect(browse_, &QPushButton::clicked, this, &CSaveCSVDlg::OnBrowseFolder);
}

void CSaveCSVDlg::LoadFromOptions(const PanelOptions& o) {
    csvStartNm = o.csvStartNm;
    csvEndNm = o.csvEndNm;
    csvStepNm = o.csvStepNm;
    firstDataNumber = 1;
    endDataNumber = doc_.recordCount[0];
    csvHead = 0;
    csvAddTemp = o.csvAddTemp != 0;
    csvAddExposure = o.csvAddExposure != 0;
    csvVertical = o.csvVertical != 0;
    csvAddWave = o.csvAddWave != 0;
    autoSaveOn = o.autoSaveOn != 0;
    autoSaveNaming = o.autoSaveNaming;
    fixedFileName = o.fixedFileName;
    saveFolder = o.saveFolder;
    csvTarget = o.csvTarget;
}

void CSaveCSVDlg::StoreIntoOptions(PanelOptions& o) const {
    o.csvStartNm = csvStartNm;
    o.csvEndNm = csvEndNm;
    o.csvStepNm = csvStepNm;
    o.csvAddTemp = csvAddTemp ? 1 : 0;
    o.csvAddExposure = csvAddExposure ? 1 : 0;
    o.csvVertical = csvVertical ? 1 : 0;
    o.csvAddWave = csvAddWave ? 1 : 0;
    o.autoSaveOn = autoSaveOn ? 1 : 0;
    o.autoSaveNaming = autoSaveNaming;
    o.fixedFileName = fixedFileName;
    o.saveFolder = saveFolder;
    o.csvTarget = csvTarget;
}

QWidget* CSaveCSVDlg::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property("ctrlId").toInt() == id) return w;
    return nullptr;
}

void CSaveCSVDlg::showEvent(QShowEvent* event) {
    // Every opening shows the members as the caller has just set them.
    if (!event->spontaneous()) InitDialog();
    QDialog::showEvent(event);
}

void CSaveCSVDlg::InitDialog() {
    initialising_ = true;
    addTemp_->setChecked(csvAddTemp);
    addExposure_->setChecked(csvAddExposure);
    vertical_->setChecked(csvVertical);
    addWave_->setChecked(csvAddWave);
    startNm_->setText(Num(csvStartNm));
    endNm_->setText(Num(csvEndNm));
    stepNm_->setText(Num(csvStepNm));
    firstData_->setText(Num(firstDataNumber));
    endData_->setText(Num(endDataNumber));
    head_->clear();
    const int heads = std::clamp(doc_.headCount, 0, MAX_HEADS);
    for (int a = 0; a < heads; ++a)
        head_->addItem(QString::fromStdString(Cp932ToUtf8(doc_.serialNo[a])));
    head_->setCurrentIndex(csvHead >= 0 && csvHead < heads ? csvHead : -1);
    ApplyEnabling();
    fileName_->setText(FromUtf8(fixedFileName));
    folder_->setText(FromUtf8(saveFolder));
    target_->clear();
    target_->addItems({QStringLiteral("生データ"), QStringLiteral("反射/透過データ"),
                       QStringLiteral("反射基準データ"), QStringLiteral("透過基準データ")});
    target_->setCurrentIndex(csvTarget >= 0 && csvTarget < target_->count() ? csvTarget : 0);
    initialising_ = false;
}

void CSaveCSVDlg::ApplyEnabling() {
    autoSave_->setChecked(autoSaveOn);
    for (QWidget* w : std::initializer_list<QWidget*>{fixedName_, timeName_, numberName_, fileName_,
                                                      folder_, browse_, folderLabel_})
        w->setEnabled(autoSaveOn);
    // An automatic save always writes the record just acquired.
    firstData_->setEnabled(!autoSaveOn);
    endData_->setEnabled(!autoSaveOn);
    fixedName_->setChecked(autoSaveNaming == 0);
    timeName_->setChecked(autoSaveNaming == 1);
    numberName_->setChecked(autoSaveNaming == 2);
}

void CSaveCSVDlg::OnBrowseFolder() {
    std::optional<std::string> chosen = dialogs_.ChooseFolder("Select Folder", saveFolder);
    if (!chosen) return;
    if (FromUtf8(*chosen).size() < kMaxFolderChars) saveFolder = TrimChosenFolder(*chosen);
    folder_->setText(FromUtf8(saveFolder));
}

void CSaveCSVDlg::accept() {
    CsvDialogEntries e;
    e.csvStartNm = ReadDialogInt(ToUtf8(startNm_->text()));
    e.csvEndNm = ReadDialogInt(ToUtf8(endNm_->text()));
    e.csvStepNm = ReadDialogInt(ToUtf8(stepNm_->text()));
    e.firstDataNumber = ReadDialogInt(ToUtf8(firstData_->text()));
    e.endDataNumber = ReadDialogInt(ToUtf8(endData_->text()));
    e.fixedFileName = ToUtf8(fileName_->text());
    const int head = csvHead >= 0 && csvHead < MAX_HEADS ? csvHead : 0;
    if (auto refusal = CorrectCsvDialogEntries(e, doc_.recordCount[head])) {
        // The dialog stays open with everything as typed.
        dialogs_.Notify(*refusal);
        stepNm_->setFocus();
        stepNm_->selectAll();
        return;
    }
    csvVertical = vertical_->isChecked();
    csvAddWave = addWave_->isChecked();
    csvStartNm = e.csvStartNm;
    csvEndNm = e.csvEndNm;
    csvStepNm = e.csvStepNm;
    firstDataNumber = e.firstDataNumber;
    endDataNumber = e.endDataNumber;
    fixedFileName = e.fixedFileName;
    saveFolder = ToUtf8(folder_->text());
    csvTarget = target_->currentIndex();
    QDialog::accept();
}

}  // namespace vmf
