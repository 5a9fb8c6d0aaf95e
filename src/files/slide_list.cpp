#include "files/slide_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/strings.h"
#include "files/dir_list.h"
#include "formats/format_table.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace lg {
namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

bool MatchesNoCase(const std::string& name, const std::string& pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    if (pattern.size() < 2 || pattern[0] != '*') return false;
    return EndsWithNoCase(name, pattern.substr(1));  // ASCII letters only: names may be UTF-8
}

}  // namespace

namespace {

// A list written by the slideshow is UTF-8 without a byte-order mark; one
// saved by an editor may carry a mark (UTF-8 or UTF-16) or be in the ANSI
// code page of an older system.
std::string ListTextAsNames(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return Utf16LeToUtf8(bytes.substr(2));
    return platform::TextAsNames(bytes);
}

}  // namespace

std::vector<std::string> ParseSlideList(const std::string& fileText) {
    const std::string text = ListTextAsNames(fileText);
    std::vector<std::string> out;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();  // a last line without its line break
        size_t stop = end;
        while (stop > start && text[stop - 1] == '\r') --stop;
        if (stop > start) out.push_back(text.substr(start, PrefixOfChars(text.substr(start, std::min<size_t>(stop - start, 259 * 4)), 259)));
        start = end + 1;
    }
    return out;
}

bool ReadSlideList(const std::string& path, std::vector<std::string>& out) {
    File f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) return false;
    std::string text;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f.get())) > 0;) {
        // Someone else's big file taken for a list would not fit a 32-bit
        // process: refused like a file that cannot be read.
        if (text.size() + n > kMaxSlideListBytes) return false;
        text.append(buf, n);
    }
    std::vector<std::string> lines = ParseSlideList(text);
    out.insert(out.end(), lines.begin(), lines.end());
    return true;
}

bool WriteSlideList(const std::string& path, const std::vector<std::string>& list) {
    File f(std::fopen(path.c_str(), "w"), std::fclose);
    if (!f) return false;
    for (const std::string& s : list)
        if (std::fprintf(f.get(), "%s\n", s.c_str()) < 0) return false;
    return std::fclose(f.release()) == 0;
}

namespace {
double DelaySeconds(const std::string& text) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    return end != text.c_str() && v > 0 && v < 1e6 ? v : 5.0;
}
}  // namespace

int SlideDelayMs(const std::string& text) { return int(DelaySeconds(text) * 1000); }

std::string SlideDelayText(const std::string& text) { return Format("%0.1f", DelaySeconds(text)); }

int NextSlideIndex(int index, int count, bool back, bool loop) {
    if (count <= 0) return -1;
    int next = back ? index - 1 : index + 1;
    if (next >= count) return loop ? 0 : -1;
    if (next < 0) return loop ? count - 1 : -1;
    return next;
}

void SortSlideList(std::vector<std::string>& list, int order) {
    if (!SortsList(order)) return;
    DirList dl;
    std::vector<std::string> kept;
    for (const std::string& path : list) {
        int64_t size = platform::FileSizeOf(path);
        if (size < 0) continue;
        std::vector<platform::FileFacts> facts;
        DirEntry e{platform::BaseNameOf(path), size, 0};
        // The time comes from the file's directory entry.
        if (platform::ListDirectory(platform::DirectoryOf(path), facts))
            for (const platform::FileFacts& f : facts)
                if (f.name == e.name) e.writeTime = f.writeTime;
        dl.order.push_back(int(dl.records.size()));
        dl.records.push_back(e);
        kept.push_back(path);
    }
    SortDirList(dl, order);
    list.clear();
    for (int pos : dl.order) list.push_back(kept[size_t(pos)]);
}

std::vector<std::string> NamesFromField(const std::string& folder, const std::string& field) {
    std::vector<std::string> out;
    auto add = [&](const std::string& name) {
        if (name.empty()) return;
        std::string path = platform::JoinPath(folder, name);
        if (platform::FileSizeOf(path) >= 0) out.push_back(path);
    };
    if (std::count(field.begin(), field.end(), '"') > 2) {
        size_t pos = 0;
        while ((pos = field.find('"', pos)) != std::string::npos) {
            size_t end = field.find('"', pos + 1);
            if (end == std::string::npos) break;
            add(field.substr(pos + 1, end - pos - 1));
            pos = end + 1;
        }
    } else {
        add(field);
    }
    return out;
}

std::vector<std::string> AddAllPatterns(int filterIndex) {
    const std::vector<FilterEntry>& rows = OpenFilters();
    if (filterIndex < 0 || size_t(filterIndex) >= rows.size()) return {"*.*"};
    std::vector<std::string> out;
    const std::string& p = rows[size_t(filterIndex)].addAll;
    for (size_t start = 0; start <= p.size();) {
        size_t semi = p.find(';', start);
        if (semi == std::string::npos) semi = p.size();
        if (semi > start) out.push_back(p.substr(start, semi - start));
        start = semi + 1;
    }
    return out;
}

std::vector<std::string> AddAllFiles(const std::string& folder, int filterIndex) {
    std::vector<platform::FileFacts> facts;
    std::vector<std::string> out;
    if (!platform::ListDirectory(folder, facts)) return out;
    for (const std::string& pattern : AddAllPatterns(filterIndex))
        for (const platform::FileFacts& f : facts)
            if (!f.directory && !f.hiddenOnly && MatchesNoCase(f.name, pattern))
                out.push_back(platform::JoinPath(folder, f.name));
    return out;
}

}  // namespace lg
