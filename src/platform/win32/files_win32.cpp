#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/files.h"
#include "platform/platform.h"

namespace lg::platform {

bool ListDirectory(const std::string& dir, std::vector<FileFacts>& out) {
    std::string pattern = dir.empty() ? std::string("*.*")
                          : dir + (dir.back() == '\\' || dir.back() == '/' ? "" : "\\") + "*.*";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        FileFacts f;
        f.name = name;
        f.directory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        f.hidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        f.hiddenOnly = fd.dwFileAttributes == FILE_ATTRIBUTE_HIDDEN;
        f.size = (int64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        f.writeTime = (uint64_t(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime;
        out.push_back(std::move(f));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return true;
}

namespace {

// Names reach the system in the process code page (UTF-8 under the
// manifest); CompareStringA would read them in the locale's code page instead.
std::wstring Wide(const std::string& s) {
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), &w[0], n);
    return w;
}

}  // namespace

int CollateNames(const std::string& a, const std::string& b) {
    const std::wstring x = Wide(a), y = Wide(b);
    return CompareStringW(LOCALE_SYSTEM_DEFAULT, 0, x.data(), int(x.size()), y.data(), int(y.size())) - 2;
}

std::string CurrentDirectory() {
    char buf[kPathBytes];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool ChangeDirectory(const std::string& dir) { return SetCurrentDirectoryA(dir.c_str()) != 0; }

bool IsDirectory(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t FileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return -1;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (int64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

bool FileStampOf(const std::string& path, int64_t& size, uint64_t& writeTime) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return false;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = (int64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    writeTime = (uint64_t(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    auto identify = [](const std::string& p, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileA(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        bool ok = GetFileInformationByHandle(h, &info) != 0;
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION x, y;
    if (!identify(a, x) || !identify(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

void MakeWritable(const std::string& path) { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE); }

bool RenameNoReplace(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) != 0;  // refuses an existing target
}

bool MoveToRecycleBin(const std::string& path) {
    char full[kPathBytes + 2] = {};
    DWORD n = GetFullPathNameA(path.c_str(), kPathBytes, full, nullptr);
    if (n == 0 || n >= kPathBytes) return false;
    full[n] = full[n + 1] = '\0';  // the list of names ends with an empty one
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = full;
    // Where the bin cannot take the file (another drive, no bin), the shell
    // would silently delete it for good; the nuke warning asks first.
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted &&
           GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace lg::platform
