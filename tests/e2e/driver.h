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

// Waits until nothing is pending in the viewer's queue.
void Settle(const Viewer& v, DWORD ms = 200);

std::string Title(HWND w);
void SendCommand(const Viewer& v, int id);
void PressKey(const Viewer& v, int vk);

// Drops files on the window as the shell does (WM_DROPFILES with an HDROP).
void DropFiles(const Viewer& v, const std::vector<std::string>& paths);

// A message box (dialog of class #32770) of the viewer's process, if one is up.
HWND FindMessageBox(const Viewer& v, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
void AnswerMessageBox(HWND box, int buttonId);

struct Capture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;  // top-down rows, 3 bytes a pixel
    const uint8_t* at(int x, int y) const { return &bgr[(size_t(y) * width + x) * 3]; }
};
bool CaptureClient(HWND w, Capture& out);

RECT WindowRect(HWND w);
std::string WindowsDirectory();

}  // namespace e2e
