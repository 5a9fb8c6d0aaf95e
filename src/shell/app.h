// The viewer's state: one record, owned by the main window's thread.
#pragma once

#include <windows.h>

#include <string>

#include "core/image.h"
#include "devices/devices.h"
#include "files/dir_list.h"
#include "formats/codec.h"
#include "shell/logic/command_line.h"
#include "shell/logic/commands.h"
#include "shell/logic/view_geometry.h"

namespace lg {

constexpr const char kMainClass[] = "Lumagrove";
// A program driving the viewer (automation, the end-to-end tests) posts the
// registered message of this name with a token in lParam; the main window
// stores the token as its window property of the same name when the message
// comes up in the queue.
constexpr const char kQueueMarkProp[] = "Lumagrove.QueueMark";

struct App {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HMENU menu = nullptr;
    HWND fullScreen = nullptr;   // the full-screen window while it is open
    HWND slideshow = nullptr;    // the slideshow window while it runs
    HWND toolbar = nullptr, status = nullptr;
    bool animating = false;      // an animated GIF plays in place of the current image
    Image canvas;                // spare buffer used while sizing to the animation
    HACCEL accelerators = nullptr;
    CommandLine cmd;
    std::string caption = "Lumagrove";  // message box titles and the title's prefix
    Image current;             // the picture shown; empty: none
    Image undo;                // the picture before the last operation
    std::string fileName;      // current file name (bare name in the current directory)
    PictureFacts facts;
    std::string savedTitle;
    Zoom zoom;                 // percent and step
    ScrollBar hBar, vBar;      // the main window's scroll bars
    int toolbarHeight = 0;     // 0 while the toolbar is hidden
    HPALETTE palette = nullptr;  // display palette of the picture on a 256-colour screen
    bool alwaysOnTop = false;
    bool fullScreenPending = false;  // /fs: once, after the first successful load
    // Selection in client coordinates.
    bool hasSelection = false;
    POINT selStart = {0, 0}, selEnd = {0, 0};
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
    DeviceState devices;       // clipboard copy, capture, media window
    DirList dirList;           // the picture files of the current directory
};

App& TheApp();

// Window procedure of the main window.
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
UINT QueueMarkMessage();

// Loads the current file name and shows it (or the empty window on failure).
bool ShowNewPicture(App& app);
// Makes `img` the current picture, sizes the window and sets the title.
void ShowPicture(App& app, Image img);
// Back to the empty window.
void ShowEmpty(App& app);

// Reads the display size and colour count, the start-up settings, and places
// the remembered window position on the screen.
void ReadDisplayAndSettings(App& app);

// Animated GIF playback in the main window.
void StartAnimation(App& app);
void StopAnimation(App& app);
void AnimationTick(App& app);
void KeepShownFrame(App& app);
const Image* AnimationScreen(const App& app);

// The next contact sheet of a Photo CD overview pack (command 2034).
void NextPhotoCdSheet(App& app);
// Lets icon loads ask the user which of several images to show.
void InstallIconChooser(App& app);

// Mouse input of the main window.
void MouseDown(App& app, bool right, POINT p);
void MouseMove(App& app, POINT p);
void MouseUp(App& app);

// The toolbar and its status field.
void CreateToolbar(App& app);
void ShowToolbar(App& app, bool visible);
void UpdateToolbar(App& app);
void ToggleToolbar(App& app);

// The image information and thanks dialogs.
void ShowImageInfo(App& app);
void ShowThanks(App& app);

// Shows a message box titled with the program caption.
int ShowMessage(HWND owner, const std::string& text, UINT flags);

// The menu bar and the accelerator table, built from the command table.
HMENU BuildMenuBar();
HACCEL BuildAccelerators();
// Enables and checks every menu item for the present state.
void UpdateMenu(App& app);
UiState Snapshot(const App& app);
// Runs a command; false when the id is not a command of the table.
bool RunCommand(App& app, int id);
// Keys the window procedure handles itself (not in the accelerator table).
bool HandleKey(App& app, WPARAM key);

}  // namespace lg
