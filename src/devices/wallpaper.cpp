#include "devices/wallpaper.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "devices/logic/device_logic.h"
#include "formats/bmp.h"
#include "formats/status.h"
#include "platform/platform.h"

namespace lg {
namespace {

constexpr const char kDesktopKey[] = "Control Panel\\Desktop";

std::string WallpaperFile() {
    char dir[platform::kPathBytes] = "";
    GetWindowsDirectoryA(dir, sizeof dir);
    return WithBackslash(dir) + "Lumagrove_Wallpaper.bmp";
}

std::string ReadValue(HKEY key, const char* name) {
    char text[platform::kPathBytes] = "";
    DWORD size = sizeof text - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "";
    text[std::min<DWORD>(size, sizeof text - 1)] = 0;
    return text;
}

void WriteValue(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
}

void ApplyWallpaper(const std::string& file, bool refreshAll) {
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(file.c_str()), SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(file.c_str()), SPIF_SENDCHANGE);
    if (refreshAll)
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(file.c_str()), SPIF_SENDCHANGE);
}

}  // namespace

bool InstallWallpaper(const Image& img, bool tiled, std::string* error) {
    const std::string file = WallpaperFile();
    Status st;
    if (!WriteBmp(file, img, st)) {
        *error = st.error;
        return false;
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        const std::string current = ReadValue(key, "Wallpaper");
        // Setting our own file again must not lose the wallpaper it replaced.
        if (current != file) {
            WriteValue(key, "PrevWallpaper", current);
            WriteValue(key, "PrevTileWallpaper", ReadValue(key, "TileWallpaper"));
        }
        WriteValue(key, "Wallpaper", file);
        WriteValue(key, "TileWallpaper", tiled ? "1" : "0");
        RegCloseKey(key);
    }
    ApplyWallpaper(file, true);
    InvalidateRect(GetDesktopWindow(), nullptr, TRUE);
    UpdateWindow(GetDesktopWindow());
    return true;
}

void RestorePreviousWallpaper() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const std::string previous = ReadValue(key, "PrevWallpaper");
    const std::string tile = ReadValue(key, "PrevTileWallpaper");
    WriteValue(key, "Wallpaper", previous);
    WriteValue(key, "TileWallpaper", !tile.empty() && tile[0] == '0' ? "0" : "1");
    RegCloseKey(key);
    ApplyWallpaper(previous, false);
}

}  // namespace lg
