// What a reader or writer tells its caller besides the picture: a one-line
// error text on failure, and the compression description on success.
#pragma once

#include <string>

namespace lg {

struct Status {
    std::string error;
    std::string info;
};

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// ASCII upper case, as file-name endings are compared.
std::string UpperCase(std::string s);

}  // namespace lg
