#pragma once

#include <QDialog>
#include <string>

namespace vmf {

class Cvarnello_mfView;

class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingDlg(Cvarnello_mfView& view, QWidget* parent = nullptr);
    ~CSettingDlg() override;

    // Path of the coefficient list file (UTF-8). Set by the caller before
    // exec() and read back after it closes; choosing a file updates it.
    std::string coefficientListPath;

private:
    Cvarnello_mfView& parentView_;
};

}  // namespace vmf
