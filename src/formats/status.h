// What a reader or writer tells its caller besides the picture: a one-line
// error text on failure, and the compression description on success.
#pragma once

#include <string>

#include "core/strings.h"

namespace lg {

struct Status {
    std::string error;
    std::string info;
};

}  // namespace lg
