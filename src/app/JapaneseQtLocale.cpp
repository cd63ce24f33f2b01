#include "app/JapaneseQtLocale.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace vmf {
namespace {

// Answers only for the texts it knows; every other text goes on to the
// catalogue installed before it.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        (void)disambiguation;
        (void)n;
        if (!context || !source || std::strcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        if (std::strcmp(source, "Folder") == 0) return QString::fromUtf8("フォルダー");
        if (std::strcmp(source, "Drive") == 0) return QString::fromUtf8("ドライブ");
        if (std::strcmp(source, "File") == 0) return QString::fromUtf8("ファイル");
        return {};
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

void UseJapaneseSystemLocale() {
#if !defined(_WIN32)
    // LC_ALL outranks the other variables wherever it is set; the program's
    // own number output never follows the locale, so nothing else changes.
    qputenv("LC_ALL", "ja_JP.UTF-8");
#endif
}

void UseJapaneseQtTexts() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QCoreApplication* app = QCoreApplication::instance();
    const QString name = QStringLiteral("vmfMissingQtTexts");
    if (!app || app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* texts = new MissingQtTexts(app);
    texts->setObjectName(name);
    QCoreApplication::installTranslator(texts);
}

}  // namespace vmf
