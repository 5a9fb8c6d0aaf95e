// The settings file LUMAGR32.INI: one table of every key with its section and
// default, read at the point of use and written at once.
#pragma once

#include <string>

namespace lg {

enum class Setting {
#define SETTING(id, section, key, def) id,
#include "settings/keys.def"
#undef SETTING
    Count
};

struct SettingInfo {
    const char* section;
    const char* key;
    const char* def;
};

const SettingInfo& InfoOf(Setting s);

// Full path of LUMAGR32.INI in the settings directory (created on first write).
std::string SettingsFilePath();

int ReadSetting(Setting s);
int ReadSetting(Setting s, int def);  // where a Part names another default
std::string ReadSettingText(Setting s);
std::string ReadSettingText(Setting s, const std::string& def);
bool WriteSetting(Setting s, const std::string& value);
bool WriteSetting(Setting s, int value);  // as "%d"

}  // namespace lg
