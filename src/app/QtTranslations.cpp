#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vmf {

bool InstallQtTranslations() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    const QString name = QStringLiteral("vmfQtJapanese");
    if (app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly)) return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(name);
    // qtbase's own catalogue, not the "qt" one: that one only names the
    // catalogues of every Qt module and is refused unless all of them load,
    // while the Windows program ships the one the widgets use.
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace vmf
