#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

namespace lg::platform {

bool MoveReplacing(const std::string& source, const std::string& target) {
    // A read-only target stays as it is, as it does under Windows; whoever
    // means to replace one makes it writable first (MakeWritable).
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return false;
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string SettingsDirectory() {
    if (const char* home = std::getenv("LUMAGROVE_HOME"); home && *home) return home;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::string(xdg) + "/lumagrove";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/lumagrove";
}

bool MakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string prefix = path.substr(0, i);
            if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string TempDirectory() {
    const char* t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}

uint32_t TickCount() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000);
}

char PathSeparator() { return '/'; }

std::string TextAsNames(const std::string& text) { return text; }

bool SeekFile(std::FILE* file, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX) || off_t(offset) < 0 || uint64_t(off_t(offset)) != offset) return false;
    return ::fseeko(file, off_t(offset), SEEK_SET) == 0;
}

void AdviseLargeBlock(void* block, size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr size_t kHuge = size_t(2) << 20;
    if (size < 2 * kHuge) return;
    // Only whole pages inside the block; the huge ones are what lies on 2 MB
    // boundaries within it.
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t first = (uintptr_t(block) + page - 1) / page * page;
    const uintptr_t end = (uintptr_t(block) + size) / page * page;
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace lg::platform
