// Fuzz target for the slideshow's list files: any bytes in, lines out, each
// within the length a path may have.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/slide_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : lg::ParseSlideList(text))
        if (line.empty() || line.size() > 259 || line.find('\n') != std::string::npos) std::abort();
    return 0;
}
