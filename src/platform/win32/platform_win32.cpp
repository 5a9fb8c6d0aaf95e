#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "core/strings.h"
#include "platform/platform.h"

namespace lg::platform {

bool MoveReplacing(const std::string& source, const std::string& target) {
    // Windows refuses to replace a read-only file, but Wine's rename does not
    // look: ask first, so that a save never overwrites a protected file.
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) {
    if (!DeleteFileA(path.c_str())) return false;
    // Wine answers yes when the file system refuses the unlink (a read-only
    // mount): a file that is still there was not deleted. (A file another
    // program holds open is only marked for deletion; it cannot be opened any
    // more, so it counts as gone.)
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SettingsDirectory() {
    // A directory named by LUMAGROVE_HOME takes the place of the Windows
    // directory, as in the native build: test runs keep their settings apart.
    if (const char* home = std::getenv("LUMAGROVE_HOME"); home && *home) return home;
    char dir[kPathBytes];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string("C:\\WINDOWS");
}

bool MakeDirectories(const std::string& path) {
    std::string p = path;
    if (p.empty()) return false;
    for (size_t i = 1; i < p.size(); ++i)
        if (p[i] == '\\' || p[i] == '/') CreateDirectoryA(p.substr(0, i).c_str(), nullptr);
    CreateDirectoryA(p.c_str(), nullptr);
    DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TempDirectory() {
    char dir[kPathBytes];
    DWORD n = GetTempPathA(sizeof dir, dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string("C:\\TEMP\\");
}

uint32_t TickCount() { return GetTickCount(); }

char PathSeparator() { return '\\'; }

std::string TextAsNames(const std::string& text) {
    if (GetACP() != CP_UTF8 || IsUtf8(text) || text.size() > size_t(INT_MAX / 3)) return text;
    // The manifest makes CP_ACP UTF-8; the system's own code page is the
    // one its locale names.
    DWORD legacy = 0;
    if (!GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&legacy), sizeof legacy / sizeof(WCHAR)) ||
        legacy == 0 || legacy == CP_UTF8)
        legacy = 1252;
    const int n = MultiByteToWideChar(legacy, 0, text.data(), int(text.size()), nullptr, 0);
    if (n <= 0) return text;
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(legacy, 0, text.data(), int(text.size()), &wide[0], n);
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return text;
    std::string out(size_t(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}

bool SeekFile(std::FILE* file, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) return false;
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

// Large pages need a privilege users do not have: nothing to advise.
void AdviseLargeBlock(void*, size_t) {}

}  // namespace lg::platform
