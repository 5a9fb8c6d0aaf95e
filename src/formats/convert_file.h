// One-shot conversion of a picture file into another, without any window.
#pragma once

#include <string>

#include "formats/codec.h"

namespace lg {

// What a conversion reads and writes with; the caller fills it (from the
// settings file, in the programs).
struct ConvertOptions {
    ReadOptions read;
    SaveOptions save;
};

enum class ConvertResult { Ok, LoadFailed, SaveFailed };

// Reads `input` by content and writes `output` in the type its name ends
// with. On failure `message` says what went wrong.
ConvertResult ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& opt,
                          std::string* message);

}  // namespace lg
