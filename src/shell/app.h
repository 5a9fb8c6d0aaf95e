// The viewer's state: one record, owned by the main window's thread.
#pragma once

#include <windows.h>

#include <string>

#include "core/image.h"
#include "shell/logic/command_line.h"

namespace lg {

constexpr UINT kCmdExit = 40012;
constexpr UINT kCmdAbout = 40036;
constexpr const char kMainClass[] = "Lumagrove";

struct App {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    CommandLine cmd;
    Image current;             // the picture shown; empty: none
    std::string fileName;      // current file name (bare name in the current directory)
    std::string savedTitle;
    int screenWidth = 0, screenHeight = 0;
    int displayColors = 0;
    bool paletteDisplay = false;
};

App& TheApp();

// Window procedure of the main window.
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Loads a file as the current picture, sizes the window and sets the title.
bool OpenPicture(App& app, const std::string& path);

// Shows a message box titled with the program caption.
void ShowMessage(HWND owner, const std::string& text, UINT icon);

}  // namespace lg
