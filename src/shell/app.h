// The viewer's state: one record, owned by the main window's thread.
#pragma once

#include <windows.h>

#include <string>

#include "core/image.h"
#include "formats/readers.h"
#include "shell/logic/command_line.h"

namespace lg {

constexpr UINT kCmdExit = 40012;
constexpr UINT kCmdAbout = 40036;
constexpr const char kMainClass[] = "Lumagrove";

struct App {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    CommandLine cmd;
    std::string caption = "Lumagrove";  // message box titles and the title's prefix
    Image current;             // the picture shown; empty: none
    std::string fileName;      // current file name (bare name in the current directory)
    PictureFacts facts;
    std::string savedTitle;
    bool fullScreenPending = false;  // /fs: once, after the first successful load
    // Display and start-up settings (re-read on a display change).
    int screenWidth = 0, screenHeight = 0;
    int displayColors = 0;
    bool paletteDisplay = false;
    int windowX = 0, windowY = 0;
    bool loadGrayscale = false;
    int pcdSize = 2;
    bool fitForBigImages = false, alwaysFit = false, useResample = false, useUndo = true;
    int fileSortOrder = 0, zoomFactor = 10;
    bool viewAll = true, notNotifyLoopDir = false;
};

App& TheApp();

// Window procedure of the main window.
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Loads a file as the current picture, sizes the window and sets the title.
bool OpenPicture(App& app, const std::string& path);

// Reads the display size and colour count, the start-up settings, and places
// the remembered window position on the screen.
void ReadDisplayAndSettings(App& app);

// Shows a message box titled with the program caption.
int ShowMessage(HWND owner, const std::string& text, UINT flags);

}  // namespace lg
