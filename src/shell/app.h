// The viewer's state: one record, owned by the main window's thread.
#pragma once

#include <windows.h>

#include <string>

#include "core/image.h"
#include "shell/device_commands.h"
#include "files/dir_list.h"
#include "formats/animation.h"
#include "formats/codec.h"
#include "formats/jpeg_lossless.h"
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
    Animation animation;         // its frames while it plays
    int animationFrame = 0;      // the frame on the screen
    Image canvas;                // spare buffer used while sizing to the animation
    HACCEL accelerators = nullptr;
    CommandLine cmd;
    std::string caption = "Lumagrove";  // message box titles and the title's prefix
    Image current;             // the picture shown; empty: none
    Image undo;                // the picture before the last operation
    std::string fileName;      // current file name (bare name in the current directory)
    PictureFacts facts;
    TurnHistory turns;         // the turned and flipped forms of a loaded JPEG, for lossless saves
    std::string savedTitle;
    Zoom zoom;                 // percent and step
    ScrollBar hBar, vBar;      // the main window's scroll bars
    // The last layout the window was given for a picture, and the window
    // rectangle it had right after (the system may have clipped what was
    // asked for); valid until the window is laid out another way.
    ViewLayout laidOut;
    RECT laidOutRect = {0, 0, 0, 0};
    bool hasLayout = false;
    int toolbarHeight = 0;     // 0 while the toolbar is hidden
    HPALETTE palette = nullptr;  // display palette of the picture on a 256-colour screen
    bool alwaysOnTop = false;
    bool fullScreenPending = false;  // /fs: once, after the first successful load
    // Selection in client coordinates.
    bool hasSelection = false;
    POINT selStart = {0, 0}, selEnd = {0, 0};
    // The mouse button held down: a selection dragged with the left one, the
    // picture dragged with the right one from its last position.
    bool dragging = false, rightDrag = false;
    POINT dragOrigin = {0, 0};
    HMENU recentMenu = nullptr;       // the recent directories' submenu appended by the last rebuild
    COLORREF customColors[16] = {};  // the colour chooser's custom colours, for the program's life
    // Display and start-up settings: the view settings group, read by
    // ReadDisplayAndSettings at start-up, after the options sheet's OK, on a
    // display change and for the clipboard service, and kept up to date by
    // the commands that write one of its keys. Read here, not from the file.
    int screenWidth = 0, screenHeight = 0;
    int displayColors = 0;
    bool paletteDisplay = false;
    int windowX = 0, windowY = 0;
    bool loadGrayscale = false;
    int pcdSize = 2;
    bool fitForBigImages = false, alwaysFit = false, useUndo = true;
    bool useResample = false;     // [Viewing] UseResample is 1: smooth fitting, full screen and slideshow
    int fileSortOrder = 0, zoomFactor = 10;
    bool viewAll = true;          // [Viewing] ViewAll is 1: status and information give the position
    bool walkDirectory = true;    // ViewAll is not 0: the directory list is read and walked
    bool notNotifyLoopDir = false;  // [Others] NotNotifyLoopDir is 1: wrap around without asking
    bool preload = true;          // [Viewing] Preload is not 0: the neighbours are decoded ahead
    int travel = 1;               // the direction of the last step: 1 forward, -1 back
    struct DecodeAhead* ahead = nullptr;  // the decode-ahead worker while Preload is on
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
const Image* AnimationScreen(App& app);
// Zoom in or out on the playing animation.
void ZoomAnimation(App& app, bool in);
// Whether the current multi-image file plays (an animated cursor, or a GIF
// file whose stored choice is the animation).
bool PlaysAsAnimation(const App& app);
// Stops any animation and makes the file's first image the current picture
// (as a still for full screen); false, after a message, when it cannot be read.
bool ShowAnimationStill(App& app);

// The next contact sheet of a Photo CD overview pack.
void NextPhotoCdSheet(App& app);
// Asks the user which image of an icon file to show; its index.
int ChooseIconImage(App& app, const IconSet& set);

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
// What the enable rules look at; Snapshot adds what the check marks show.
UiState EnableState(const App& app);
UiState Snapshot(const App& app);
// Runs a command (or a stored directory's item) unless its scope or guard
// stops it; false when the id is neither.
bool RunCommand(App& app, int id);
// The keys the main window passes on itself (not in the accelerator table):
// the table's window keys and the scroll keys; false for other keys.
bool HandleKey(App& app, WPARAM key);

}  // namespace lg
