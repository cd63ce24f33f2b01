#pragma once
// The settings store of the desktop: QSettings under organisation
// "VarnelloMF", application "varnello_mf" (on Windows the registry key
// HKEY_CURRENT_USER\Software\VarnelloMF\varnello_mf, one subkey per section),
// keys "section/key". Integers are kept as 32-bit values and read back signed.

#include <memory>
#include <string>

#include "common/PanelOptions.h"

class QSettings;
class QString;

namespace vmf {

inline constexpr const char* kSettingsOrganisation = "VarnelloMF";
inline constexpr const char* kSettingsApplication = "varnello_mf";

class QtSettingsBackend : public SettingsBackend {
public:
    // The per-user settings of the application.
    QtSettingsBackend();
    // An INI file at iniPath instead (tests, portable use).
    explicit QtSettingsBackend(const QString& iniPath);
    ~QtSettingsBackend() override;

    // A missing or unreadable value gives def. A value that was stored as an
    // unsigned 32-bit number (as the registry holds integers) reads back as
    // the signed int of the same bits, so -500 survives the round trip.
    int ReadInt(const char* section, const char* key, int def) override;
    std::string ReadString(const char* section, const char* key, const std::string& def) override;
    // Write failures are not reported; the store flushes on destruction.
    void WriteInt(const char* section, const char* key, int value) override;
    void WriteString(const char* section, const char* key, const std::string& value) override;

    // Pushes pending writes to the permanent store now.
    void Sync();

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace vmf
