#include "core/messages.h"

namespace lg {
namespace {

const char* const kMessages[] = {
    "No picture !",
    "Save error !",
    "Decode error !",
    "Can't read file header !\n\nUnsupported file type !",
    "Can't quantize to 256 colors !",
    "Can't rename !",
    "Unsupported save type",
    "Error! Can't load",
    "Warning !\nThe file:",
    "is a",
    "File with incorrect extension !\nRename ?",
    "This file has a incorrect extension !",
    "This file has a incorrect extension !",
    "Replace file",
    "Animated GIF",
    "images",
    "pages",
    "This file contains 100 pictures.\nYou see now the first 25 Pictures.\n\nPress N for next 25 pictures !",
    "Can't load Accelerators !\nHotkeys are not available !",
    "%s - Error - Can't load: %s",
    "%s - Error - Can't quantize to display: %s",
    "This file type is not supported in this build",
    "This function is not available yet",
    "Not available if ZOOM active !",
    "Not available if",
    "This is the maximum !",
    "This is the minimum !",
    "Files",
    "or",
    "for",
    "All files",
    "Pixels",
    "Million",
    "None",
    "Not a file",
    "of",
    "Moving through directory is disabled",
    "milliseconds",
};
static_assert(sizeof kMessages / sizeof kMessages[0] == int(MsgId::Count), "message table out of step");

}  // namespace

const char* Msg(MsgId id) { return kMessages[int(id)]; }

}  // namespace lg
