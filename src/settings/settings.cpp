#include "settings/settings.h"

#include "platform/platform.h"
#include "settings/ini.h"

namespace lg {
namespace {

const SettingInfo kSettings[] = {
#define SETTING(id, section, key, def) {section, key, def},
#include "settings/keys.def"
#undef SETTING
};
static_assert(sizeof kSettings / sizeof kSettings[0] == size_t(Setting::Count), "table out of step");

}  // namespace

const SettingInfo& InfoOf(Setting s) { return kSettings[size_t(s)]; }

std::string SettingsFilePath() {
    return platform::JoinPath(platform::SettingsDirectory(), "LUMAGR32.INI");
}

int ReadSetting(Setting s, int def) {
    const SettingInfo& i = InfoOf(s);
    return ini::ReadInt(SettingsFilePath(), i.section, i.key, def);
}

int ReadSetting(Setting s) {
    int def = 0;
    ini::ParseInt(InfoOf(s).def, &def);
    return ReadSetting(s, def);
}

std::string ReadSettingText(Setting s, const std::string& def) {
    const SettingInfo& i = InfoOf(s);
    // A value an older version wrote in the system's ANSI code page reads as
    // the same name under a UTF-8 code page.
    return platform::TextAsNames(ini::ReadString(SettingsFilePath(), i.section, i.key, def));
}

std::string ReadSettingText(Setting s) { return ReadSettingText(s, InfoOf(s).def); }

bool WriteSetting(Setting s, const std::string& value) {
    const SettingInfo& i = InfoOf(s);
    platform::MakeDirectories(platform::SettingsDirectory());
    return ini::WriteString(SettingsFilePath(), i.section, i.key, value);
}

bool WriteSetting(Setting s, int value) { return WriteSetting(s, std::to_string(value)); }

}  // namespace lg
