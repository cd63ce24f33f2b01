#pragma once
// The About box "バージョン情報 varnello_mf": icon, name and version, one more
// line, OK.

#include <QDialog>

namespace vmf {

inline constexpr const char* kVersionLine = "varnello_mf, Version 1.35";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vmf
