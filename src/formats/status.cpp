#include "formats/status.h"

#include <cstdarg>
#include <cstdio>

namespace lg {

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
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

}  // namespace lg
