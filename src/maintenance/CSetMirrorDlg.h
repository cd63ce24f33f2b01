#pragma once

#include <QDialog>

namespace vmf {

class Cvarnello_mfView;

class CSetMirrorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSetMirrorDlg(Cvarnello_mfView& view, QWidget* parent = nullptr);
    ~CSetMirrorDlg() override;

private:
    Cvarnello_mfView& parentView_;
};

}  // namespace vmf
