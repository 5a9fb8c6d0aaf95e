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

// Names are UTF-8 where the process code page is UTF-8, and bytes of an older
// code page elsewhere; these helpers keep multi-byte characters whole.
// Whether `s` is well-formed UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF).
bool IsUtf8(const std::string& s);
// The byte length of the longest prefix of `s` that holds at most `maxChars`
// characters, counted as Windows counts a path's length (UTF-16 units, so a
// character beyond U+FFFF counts twice) and never ending inside one. Text
// that is not UTF-8 before that point counts one byte a character.
size_t PrefixOfChars(const std::string& s, size_t maxChars);
// `s` cut to that prefix.
std::string CutToChars(const std::string& s, size_t maxChars);
// Little-endian UTF-16 text (without its byte-order mark) as UTF-8; a lone
// surrogate becomes U+FFFD, an odd last byte is dropped.
std::string Utf16LeToUtf8(const std::string& bytes);

}  // namespace lg
