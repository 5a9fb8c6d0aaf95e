// Path text handling shared by both systems; Windows accepts either slash.
#include "platform/platform.h"

namespace lg::platform {
namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(0, i);
    return std::string();
}

std::string BaseNameOf(const std::string& path) { return path.substr(DirectoryOf(path).size()); }

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (IsSeparator(dir.back())) return dir + name;
    return dir + PathSeparator() + name;
}

}  // namespace lg::platform
