// A locale-style collation for systems without one of their own: letters
// compare without case first, and only names that differ in nothing but
// case are then ordered, lower case first.
#pragma once

#include <string>

namespace lg {

int CollateCaseSensitive(const std::string& a, const std::string& b);

}  // namespace lg
