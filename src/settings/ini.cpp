#include "settings/ini.h"

#include <climits>
#include <cstring>
#include <vector>

#include "core/bytes.h"
#include "platform/outfile.h"
#include "platform/platform.h"

namespace lg::ini {
namespace {

bool SameText(const std::string& a, const char* b, size_t n) {
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One line split into its parts; positions index into the whole text.
struct Line {
    size_t begin = 0, end = 0;  // the line without its newline
    bool isSection = false;
    std::string name;        // section or key name, trimmed
    size_t valueBegin = 0, valueEnd = 0;
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t end = nl == std::string::npos ? text.size() : nl;
        Line ln;
        ln.begin = pos;
        ln.end = end;
        size_t a = pos, b = end;
        while (a < b && IsBlank(text[a])) ++a;
        while (b > a && IsBlank(text[b - 1])) --b;
        if (a < b && text[a] == '[') {
            size_t close = text.find(']', a);
            if (close != std::string::npos && close < b) {
                ln.isSection = true;
                size_t s = a + 1, e = close;
                while (s < e && IsBlank(text[s])) ++s;
                while (e > s && IsBlank(text[e - 1])) --e;
                ln.name = text.substr(s, e - s);
            }
        } else if (a < b && text[a] != ';') {
            size_t eq = text.find('=', a);
            if (eq != std::string::npos && eq < b) {
                size_t e = eq;
                while (e > a && IsBlank(text[e - 1])) --e;
                ln.name = text.substr(a, e - a);
                size_t v = eq + 1;
                while (v < b && IsBlank(text[v])) ++v;
                ln.valueBegin = v;
                ln.valueEnd = b;
            } else {
                ln.name = text.substr(a, b - a);  // a key without '=' reads as empty
                ln.valueBegin = ln.valueEnd = b;
            }
        }
        lines.push_back(ln);
        pos = end + 1;
    }
    return lines;
}

bool LoadFile(const std::string& file, std::string& text) { return ReadWholeFile(file, text); }

}  // namespace

bool Lookup(const std::string& text, const std::string& section, const std::string& key,
            std::string* value) {
    bool inSection = false;
    for (const Line& ln : SplitLines(text)) {
        if (ln.isSection) {
            inSection = SameText(ln.name, section.c_str(), section.size());
            continue;
        }
        if (!inSection || ln.name.empty() || !SameText(ln.name, key.c_str(), key.size())) continue;
        std::string v = text.substr(ln.valueBegin, ln.valueEnd - ln.valueBegin);
        // One pair of surrounding quotes is removed, as the profile functions do.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        if (value) *value = v;
        return true;
    }
    return false;
}

std::string Update(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value) {
    const std::string entry = key + "=" + value;
    std::vector<Line> lines = SplitLines(text);
    bool inSection = false;
    size_t sectionEnd = std::string::npos;  // insert point: after the section's last key line
    for (const Line& ln : lines) {
        if (ln.isSection) {
            if (inSection) break;
            inSection = SameText(ln.name, section.c_str(), section.size());
            if (inSection) sectionEnd = ln.end;
            continue;
        }
        if (!inSection) continue;
        if (!ln.name.empty() && ln.name[0] != ';') {
            if (SameText(ln.name, key.c_str(), key.size()))
                return text.substr(0, ln.begin) + entry + text.substr(ln.end);
            sectionEnd = ln.end;
        }
    }
    std::string out = text;
    if (sectionEnd != std::string::npos) {
        out.insert(sectionEnd, (sectionEnd < out.size() ? "\n" : "\n") + entry);
        if (sectionEnd + 1 + entry.size() == out.size()) out += "\n";
        return out;
    }
    if (!out.empty() && out.back() != '\n') out += "\n";
    out += "[" + section + "]\n" + entry + "\n";
    return out;
}

bool ParseInt(const std::string& text, int* out) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX) v = INT_MAX;  // saturate instead of wrapping
    }
    *out = int(negative ? -v : v);
    return true;
}

std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& def) {
    std::string text, value;
    if (!LoadFile(file, text) || !Lookup(text, section, key, &value)) return def;
    return value;
}

int ReadInt(const std::string& file, const std::string& section, const std::string& key, int def) {
    std::string text, value;
    int v;
    if (!LoadFile(file, text) || !Lookup(text, section, key, &value) || !ParseInt(value, &v)) return def;
    return v;
}

bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    std::string text;
    // A missing file starts empty; one that is there but cannot be read is
    // left alone rather than replaced by this one key.
    if (!LoadFile(file, text) && platform::FileExists(file)) return false;
    std::string updated = Update(text, section, key, value);
    OutputFile out;
    return out.open(file) && out.write(updated.data(), updated.size()) && out.commit();
}

}  // namespace lg::ini
