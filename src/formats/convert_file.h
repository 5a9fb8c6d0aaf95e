// One-shot conversion of a picture file into another, without any window.
#pragma once

#include <string>

namespace lg {

enum class ConvertResult { Ok, LoadFailed, SaveFailed };

// Reads `input` by content and writes `output` in the type its name ends
// with. On failure `message` says what went wrong.
ConvertResult ConvertFile(const std::string& input, const std::string& output, std::string* message);

}  // namespace lg
