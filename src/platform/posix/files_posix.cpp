#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/collate.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace lg::platform {

bool ListDirectory(const std::string& dir, std::vector<FileFacts>& out) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        if (::fstatat(::dirfd(d), e->d_name, &st, 0) != 0) continue;
        FileFacts f;
        f.name = name;
        f.directory = S_ISDIR(st.st_mode);
        f.hidden = f.hiddenOnly = name[0] == '.';
        f.size = int64_t(st.st_size);
        f.writeTime = uint64_t(st.st_mtim.tv_sec) * 1000000000u + uint64_t(st.st_mtim.tv_nsec);
        out.push_back(std::move(f));
    }
    ::closedir(d);
    return true;
}

int CollateNames(const std::string& a, const std::string& b) { return CollateCaseSensitive(a, b); }

std::string CurrentDirectory() {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

bool ChangeDirectory(const std::string& dir) { return ::chdir(dir.c_str()) == 0; }

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSizeOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return int64_t(st.st_size);
}

bool FileStampOf(const std::string& path, int64_t& size, uint64_t& writeTime) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    size = int64_t(st.st_size);
    writeTime = uint64_t(st.st_mtim.tv_sec) * 1000000000u + uint64_t(st.st_mtim.tv_nsec);
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x, y;
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

void MakeWritable(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        ::chmod(path.c_str(), st.st_mode | S_IWUSR);
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
    // A hard link fails when the name is taken; where links are refused
    // (other file systems), test first and rename.
    if (::link(from.c_str(), to.c_str()) == 0) return ::unlink(from.c_str()) == 0 || (::unlink(to.c_str()), false);
    if (errno == EEXIST) return false;
    if (FileExists(to)) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// The freedesktop.org trash in the user's data directory.
bool MoveToRecycleBin(const std::string& path) {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.local/share";
    else return false;
    const std::string trash = base + "/Trash";
    if (!MakeDirectories(trash + "/files") || !MakeDirectories(trash + "/info")) return false;
    std::string abs = path;
    if (abs.empty() || abs[0] != '/') abs = CurrentDirectory() + "/" + path;
    const std::string name = BaseNameOf(abs);
    for (int n = 0; n < 1000; ++n) {
        std::string unique = n ? name + "." + std::to_string(n) : name;
        std::string info = trash + "/info/" + unique + ".trashinfo";
        int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) continue;
        char when[32];
        std::time_t now = std::time(nullptr);
        std::tm tm;
        ::localtime_r(&now, &tm);
        std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &tm);
        std::string text = "[Trash Info]\nPath=" + abs + "\nDeletionDate=" + when + "\n";
        bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
        ::close(fd);
        if (ok && RenameNoReplace(abs, trash + "/files/" + unique)) return true;
        ::unlink(info.c_str());
        return false;
    }
    return false;
}

}  // namespace lg::platform
