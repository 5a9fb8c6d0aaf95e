#include "files/file_ops.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/outfile.h"
#include "platform/platform.h"

namespace lg {

std::string CreateDirectoryPath(const std::string& path) {
    if (path.empty()) return path;
    std::string p = path;
    const char sep = platform::PathSeparator();
    if (p.back() != sep && p.back() != '/') p += sep;
    if (!platform::IsDirectory(p)) platform::MakeDirectories(p.substr(0, p.size() - 1));
    return p;
}

std::string CopyMoveTarget(const std::string& destination, const std::string& source) {
    return platform::JoinPath(destination, platform::BaseNameOf(source));
}

bool CopyFileSafely(const std::string& from, const std::string& to) {
    if (platform::SameFile(from, to)) return false;  // the copy would be all that is left
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(from.c_str(), "rb"), std::fclose);
    if (!in) return false;
    OutputFile out;
    if (!out.open(to)) return false;
    std::vector<char> buf(1 << 20);
    for (;;) {
        size_t n = std::fread(buf.data(), 1, buf.size(), in.get());
        if (n && !out.write(buf.data(), n)) return false;
        if (n < buf.size()) break;
    }
    if (std::ferror(in.get())) return false;
    if (platform::FileExists(to)) platform::MakeWritable(to);  // a read-only target may be replaced
    if (!out.commit()) return false;
    // The copy keeps the original's date, as the system's own copy does.
    std::error_code ec;
    const auto when = std::filesystem::last_write_time(from, ec);
    if (!ec) std::filesystem::last_write_time(to, when, ec);
    return true;
}

MoveOutcome MoveFileSafely(const std::string& from, const std::string& to) {
    if (!CopyFileSafely(from, to)) return MoveOutcome::CopyFailed;
    platform::MakeWritable(from);
    return platform::RemoveFile(from) ? MoveOutcome::Moved : MoveOutcome::SourceKept;
}

int PositionAfterRemoval(int former, int count) {
    if (count <= 0) return -1;
    if (count == 1) return 0;
    int pos = former - 1;
    return pos >= count ? count - 1 : pos;
}

}  // namespace lg
