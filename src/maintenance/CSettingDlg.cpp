#include "maintenance/CSettingDlg.h"

#include "panel/Cvarnello_mfView.h"

namespace vmf {

CSettingDlg::CSettingDlg(Cvarnello_mfView& view, QWidget* parent) : QDialog(parent), parentView_(view) {}

CSettingDlg::~CSettingDlg() = default;

}  // namespace vmf
