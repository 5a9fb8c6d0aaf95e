// The Windows program's one command-line string, taken apart by substring
// search: an optional file argument followed by options in any order.
#pragma once

#include <string>

namespace lg {

struct CommandLine {
    std::string fileArg;      // as typed, surrounding quotes removed
    bool hidden = false;      // /hidden: clipboard service, nothing else counts
    bool fullScreen = false;  // /fs
    bool bestFit = false;     // /bf
    bool closeOthers = false; // /one
    bool slideshow = false;   // /slideshow=LIST
    std::string slideshowList;
    bool convert = false;     // /c=OUTPUT
    std::string convertOutput;
    bool hasPosition = false; // /pos=(X,Y)
    int posX = 0, posY = 0;
    bool hasTitle = false;    // /title=TEXT
    std::string title;
};

CommandLine ParseCommandLine(const std::string& line);

// The path a copy-data message carries to the clipboard service: its bytes up
// to the first NUL (the sender's terminator) or the end of the block.
std::string CopyDataPath(const void* data, size_t size);

}  // namespace lg
