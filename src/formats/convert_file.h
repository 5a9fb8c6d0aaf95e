// One-shot conversion of a picture file into another, without any window.
#pragma once

#include <string>

#include "core/image.h"
#include "formats/status.h"

namespace lg {

// Reads a picture by its content (working depths only); empty on failure
// with the reader's error text.
Image LoadQuiet(const std::string& path, Status& st);

// Reads `input` and writes `output`; false with a message for the user.
bool ConvertFile(const std::string& input, const std::string& output, std::string* message);

}  // namespace lg
