// Fuzz target for the Windows program's command line: any string is taken
// apart without reading past it, and every part found is a piece of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/logic/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const lg::CommandLine c = lg::ParseCommandLine(line);
    for (const std::string* part : {&c.fileArg, &c.slideshowList, &c.convertOutput, &c.title})
        if (part->size() > line.size()) std::abort();
    if (c.slideshow && line.find("/slideshow=") == std::string::npos &&
        line.find("/SLIDESHOW=") == std::string::npos && line.find("/Slideshow=") == std::string::npos) {
        // found under another spelling: allowed, the search ignores case
    }
    return 0;
}
