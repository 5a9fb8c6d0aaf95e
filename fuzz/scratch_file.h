// A scratch file of this process for the targets that read through a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Writes the input to "<TMPDIR>/lumagrove-fuzz-<tag>-<pid-ish><ending>";
// empty when that fails.
inline std::string WriteScratchFile(const uint8_t* data, size_t size, const char* tag, const char* ending) {
    static int anchor;
    const char* dir = std::getenv("TMPDIR");
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/lumagrove-fuzz-" + tag + "-" +
                             std::to_string(reinterpret_cast<uintptr_t>(&anchor) % 100000) + ending;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return std::string();
    const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written ? path : std::string();
}

}  // namespace fuzz
