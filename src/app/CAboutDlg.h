#pragma once
// The About box "バージョン情報 varnello_mf": icon, name and version, one more
// line, the licence under which the program may be used and passed on, OK.

#include <QDialog>

namespace vmf {

inline constexpr const char* kVersionLine = "varnello_mf, Version 1.35";
inline constexpr const char* kLicenceLine =
    "このプログラムはフリーソフトウェアです。GNU 一般公衆利用許諾書 (GPL) バージョン 3\n"
    "またはそれ以降のバージョンの下で、再頒布や改変ができます。無保証です。\n"
    "詳しくは同梱の LICENSE と THIRD-PARTY-NOTICES をご覧ください。";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vmf
