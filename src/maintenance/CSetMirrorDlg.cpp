#include "maintenance/CSetMirrorDlg.h"

#include "panel/Cvarnello_mfView.h"

namespace vmf {

CSetMirrorDlg::CSetMirrorDlg(Cvarnello_mfView& view, QWidget* parent) : QDialog(parent), parentView_(view) {}

CSetMirrorDlg::~CSetMirrorDlg() = default;

}  // namespace vmf
