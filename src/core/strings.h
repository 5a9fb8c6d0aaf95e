// Plain-string helpers used on every layer: printf-style formatting and the
// ASCII case rules by which file-name endings and type words are compared.
#pragma once

#include <string>

namespace lg {

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// ASCII upper case, as file-name endings are compared.
std::string UpperCase(std::string s);

// Comparisons without regard to ASCII case.
bool EqualNoCase(const std::string& a, const std::string& b);
bool EndsWithNoCase(const std::string& s, const std::string& tail);

}  // namespace lg
