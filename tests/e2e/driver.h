// Drives a running LUMAGR32.EXE from another process, as a user would:
// start it, find its window, send commands and keys, read its title and
// message boxes, capture what it shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Viewer {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};

// Starts `exe args` in `workDir` and waits for its main window (class
// Lumagrove); false when none appears within the time limit.
bool Start(const std::string& exe, const std::string& args, const std::string& workDir, Viewer& v,
           DWORD timeoutMs = 20000);
// Waits for the process to end; its exit code in *code.
bool WaitForExit(Viewer& v, DWORD timeoutMs, DWORD* code = nullptr);
// Ends the process if it is still there and closes the handles.
void Stop(Viewer& v);

// Every wait below is bounded. The limit is generous, so that a machine
// under load still passes; a wait that runs out is a failure, never a pass.
constexpr DWORD kStepMs = 30000;

// Polls `done` until it holds; false when it still does not after timeoutMs.
template <class Done>
bool WaitUntil(Done done, DWORD timeoutMs = kStepMs, DWORD pollMs = 15) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(pollMs);
    }
}

// Waits until the viewer has dispatched everything posted to it before this
// call (commands, keys, drops): it posts a mark behind them and waits for the
// main window to store it. A command that opens a modal dialog counts as
// dispatched once the dialog's loop runs. False when the mark is not reached
// in time or the process ends.
bool Sync(const Viewer& v, DWORD timeoutMs = kStepMs);
// True when the viewer answers a sent message within timeoutMs (not hung).
bool Responsive(const Viewer& v, DWORD timeoutMs = 5000);
// Waits for the title to contain `part`.
bool WaitForTitle(const Viewer& v, const std::string& part, DWORD timeoutMs = kStepMs);
// Waits until `path` exists, is no longer growing and can be opened for
// exclusive reading: a writer has finished with it.
bool WaitForFile(const std::string& path, DWORD timeoutMs = kStepMs);

std::string Title(HWND w);
std::string ClassOf(HWND w);
// The top-level windows of the viewer's process, topmost first.
std::vector<HWND> WindowsOf(const Viewer& v);
void SendCommand(const Viewer& v, int id);
void PressKey(const Viewer& v, int vk);

// Drops files on the window as the shell does (WM_DROPFILES with an HDROP).
void DropFiles(const Viewer& v, const std::vector<std::string>& paths);

// A message box (dialog of class #32770) of the viewer's process, if one is up.
HWND FindMessageBox(const Viewer& v, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
// Presses a button of the box and waits until the box is gone; false when it
// stays.
bool AnswerMessageBox(HWND box, int buttonId);

struct Capture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;  // top-down rows, 3 bytes a pixel
    const uint8_t* at(int x, int y) const { return &bgr[(size_t(y) * width + x) * 3]; }
};
bool CaptureClient(HWND w, Capture& out);
// Only the part of the client area at (x, y) of the given size (cheap enough
// to poll: a whole window read back from the X server costs milliseconds).
bool CaptureClientPart(HWND w, int x, int y, int width, int height, Capture& out);

RECT WindowRect(HWND w);
// Where the picture starts in the client area: below the toolbar when it shows.
int PictureTop(HWND w);
std::string WindowsDirectory();

// Waits until `w`, a window of the viewer's main thread, has nothing left to
// paint: no part of it or of its child windows waits for WM_PAINT, and a
// paint under way has returned. After a Sync, what it shows then is what its state asks for.
bool WaitPainted(const Viewer& v, HWND w, DWORD timeoutMs = kStepMs);

}  // namespace e2e
