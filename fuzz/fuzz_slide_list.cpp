// Fuzz target for the slideshow's list files: any bytes in (UTF-8 with or
// without a mark, UTF-16, an ANSI code page), lines out, each within the
// length a path may have and never ending inside a character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/strings.h"
#include "files/slide_list.h"

// At most 259 characters a line, as Windows counts them; in UTF-8 a character
// takes up to 3 bytes a unit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool utf16 = text.compare(0, 2, "\xFF\xFE") == 0;
    for (const std::string& line : lg::ParseSlideList(text)) {
        if (line.empty() || line.size() > 259 * 3 || line.find('\n') != std::string::npos) std::abort();
        if (lg::IsUtf8(line) ? lg::PrefixOfChars(line, 259) != line.size() : line.size() > 259) std::abort();
        if (utf16 && !lg::IsUtf8(line)) std::abort();  // UTF-16 becomes well-formed UTF-8
    }
    return 0;
}
