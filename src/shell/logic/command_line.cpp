#include "shell/logic/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "core/strings.h"
#include "platform/platform.h"

namespace lg {
namespace {

// The value after an option: up to the next '/' or the end, cut to `limit`.
std::string OptionValue(const std::string& line, size_t valueStart, size_t limit) {
    size_t end = line.find('/', valueStart);
    if (end == std::string::npos) end = line.size();
    std::string v = line.substr(valueStart, end - valueStart);
    while (!v.empty() && v.back() == ' ') v.pop_back();  // the blank before the next option
    return CutToChars(v, limit);
}

int DecimalPrefix(const std::string& s) {
    return std::atoi(s.c_str());  // no digits give 0
}

std::string Unquoted(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

CommandLine ParseCommandLine(const std::string& raw) {
    CommandLine cl;
    if (raw.empty()) return cl;
    std::string line = raw;
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    if (line.find("/hidden") != std::string::npos) {
        cl.hidden = true;
        return cl;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();

    // The file argument ends where the character two places on is a '/'
    // (the blank in between is dropped).
    std::string file;
    const size_t fileLimit = PrefixOfChars(line, 255);  // 255 characters, never half of one
    for (size_t i = 0; i < fileLimit; ++i) {
        file += line[i];
        if (i + 2 < line.size() && line[i + 2] == '/' && line[i + 1] == ' ') break;
    }

    bool any = false;
    size_t at;
    if (line.find("/fs") != std::string::npos) cl.fullScreen = any = true;
    if (line.find("/bf") != std::string::npos) cl.bestFit = any = true;
    if (line.find("/one") != std::string::npos) cl.closeOthers = any = true;
    if ((at = line.find("/slideshow=")) != std::string::npos) {
        cl.slideshow = any = true;
        cl.slideshowList = OptionValue(line, at + 11, 249);
    }
    if ((at = line.find("/c=")) != std::string::npos) {
        cl.convert = any = true;
        cl.convertOutput = OptionValue(line, at + 3, 257);
    }
    if ((at = line.find("/pos=(")) != std::string::npos) {
        cl.hasPosition = any = true;
        std::string v = line.substr(at + 6);
        size_t comma = v.find(',');
        cl.posX = DecimalPrefix(v.substr(0, comma));
        if (comma != std::string::npos) cl.posY = DecimalPrefix(v.substr(comma + 1));
    }
    if ((at = line.find("/title=")) != std::string::npos) {
        cl.hasTitle = any = true;
        cl.title = OptionValue(line, at + 7, 293);
    }
    if (cl.slideshow) {  // a slideshow has no place for these
        cl.fullScreen = cl.hasPosition = cl.hasTitle = false;
        cl.title.clear();
    }
    cl.fileArg = Unquoted(any ? file : line);
    if (cl.slideshow && cl.fileArg.rfind("/slideshow=", 0) == 0) cl.fileArg.clear();
    return cl;
}

std::string CopyDataPath(const void* data, size_t size) {
    if (!data) return std::string();
    const char* p = static_cast<const char*>(data);
    // A program of an older code page sends its own ANSI text.
    return platform::TextAsNames(std::string(p, std::find(p, p + size, '\0')));
}

}  // namespace lg
