// Choosing a directory with the Open dialog: the file controls are hidden, OK
// reads "Use dir" and takes the folder the dialog is showing.
#pragma once

#include <windows.h>

#include <string>

namespace lg {

// Opens in `proposed`; true with the folder in *chosen when the user pressed
// "Use dir". The process's current directory is left as it was.
bool ChooseDirectory(HWND owner, const std::string& proposed, std::string* chosen);

}  // namespace lg
