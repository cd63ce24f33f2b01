// The varnello_mf executable.

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>

#include "app/Cvarnello_mfApp.h"
#include "app/JapaneseQtLocale.h"
#include "app/QtSettingsBackend.h"

int main(int argc, char** argv) {
    vmf::Cvarnello_mfApp app;
    // A second start ends here, silently, before touching the window system;
    // a file it was asked to open goes to the running instance first.
    if (!app.AcquireInstanceLock()) {
        QCoreApplication core(argc, argv);
        QString error;
        const auto options =
            vmf::Cvarnello_mfApp::ParseCommandLine(QCoreApplication::arguments(), error);
        if (options && options->helpText.isEmpty() && !options->file.isEmpty())
            app.HandOverFile(options->file);
        return 0;
    }

    vmf::UseJapaneseSystemLocale();
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(vmf::kSettingsOrganisation));
    QApplication::setApplicationName(QString::fromUtf8(vmf::kSettingsApplication));
    QApplication::setApplicationVersion(QStringLiteral("1.35"));

    QString error;
    const auto options = vmf::Cvarnello_mfApp::ParseCommandLine(QApplication::arguments(), error);
    if (!options) {
        std::fprintf(stderr, "varnello_mf: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (!options->helpText.isEmpty()) {
        std::fputs(options->helpText.toUtf8().constData(), stdout);
        return 0;
    }
    if (!app.InitInstance(*options)) {
        app.ExitInstance();
        return 1;
    }
    const int rc = QApplication::exec();
    app.ExitInstance();
    return rc;
}
