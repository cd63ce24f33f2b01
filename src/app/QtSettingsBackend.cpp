#include "app/QtSettingsBackend.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <limits>

namespace vmf {
namespace {

QString Key(const char* section, const char* key) {
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(key);
}

}  // namespace

QtSettingsBackend::QtSettingsBackend()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromUtf8(kSettingsOrganisation),
                                            QString::fromUtf8(kSettingsApplication))) {}

QtSettingsBackend::QtSettingsBackend(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QtSettingsBackend::~QtSettingsBackend() = default;

int QtSettingsBackend::ReadInt(const char* section, const char* key, int def) {
    const QVariant v = settings_->value(Key(section, key));
    if (!v.isValid()) return def;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    // Anything that is not a 32-bit pattern (text, an out-of-range number) is
    // not a value this program wrote; the default is safer than a wrapped guess.
    if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max())
        return def;
    return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(n))));
}

std::string QtSettingsBackend::ReadString(const char* section, const char* key,
                                          const std::string& def) {
    const QVariant v = settings_->value(Key(section, key));
    if (!v.isValid()) return def;
    return v.toString().toStdString();
}

void QtSettingsBackend::WriteInt(const char* section, const char* key, int value) {
    settings_->setValue(Key(section, key), value);
}

void QtSettingsBackend::WriteString(const char* section, const char* key,
                                    const std::string& value) {
    settings_->setValue(Key(section, key), QString::fromStdString(value));
}

void QtSettingsBackend::Sync() { settings_->sync(); }

}  // namespace vmf
