#include "core/strings.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace lg {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

}  // namespace

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0) return std::string();
    if (size_t(n) < sizeof small) return std::string(small, size_t(n));
    std::string out(size_t(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(&out[0], out.size(), fmt, ap);
    va_end(ap);
    out.resize(size_t(n));
    return out;
}

std::string UpperCase(std::string s) {
    for (char& c : s) c = Upper(c);
    return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && EqualNoCase(s.substr(s.size() - tail.size()), tail);
}

namespace {

// The length of the UTF-8 sequence at s[i], 0 when none starts there.
size_t SequenceAt(const std::string& s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    size_t len;
    unsigned lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;       // overlong
        else if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;       // overlong
        else if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    const unsigned char second = static_cast<unsigned char>(s[i + 1]);
    if (second < lo || second > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return len;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool IsUtf8(const std::string& s) {
    for (size_t i = 0, n; i < s.size(); i += n)
        if ((n = SequenceAt(s, i)) == 0) return false;
    return true;
}

size_t PrefixOfChars(const std::string& s, size_t maxChars) {
    // Only the part up to the cut is read, so a long line costs no more
    // than its kept prefix.
    size_t units = 0, i = 0;
    while (i < s.size()) {
        const size_t n = SequenceAt(s, i);
        if (n == 0) return s.size() < maxChars ? s.size() : maxChars;  // not UTF-8: bytes
        const size_t u = n == 4 ? 2 : 1;
        if (units + u > maxChars) break;
        units += u;
        i += n;
    }
    return i;
}

std::string CutToChars(const std::string& s, size_t maxChars) { return s.substr(0, PrefixOfChars(s, maxChars)); }

std::string Utf16LeToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](size_t i) {
        return uint32_t(static_cast<unsigned char>(bytes[i])) | uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    return out;
}

}  // namespace lg
