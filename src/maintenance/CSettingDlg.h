#pragma once

#include <QDialog>

namespace vmf {

class Cvarnello_mfView;

class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingDlg(Cvarnello_mfView& view, QWidget* parent = nullptr);
    ~CSettingDlg() override;

private:
    Cvarnello_mfView& parentView_;
};

}  // namespace vmf
