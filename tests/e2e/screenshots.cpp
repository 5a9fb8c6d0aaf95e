// Takes the pictures a person would look at: the main window with a picture,
// zoomed, the information dialog, full screen, the thanks dialog, the batch
// conversion dialog, the Copy-Move chooser and the options sheet's Other
// Options page. Each window's client area is saved as a BMP in the directory
// given. Every step
// waits for the window it shows to be up and painted; a step that does not
// get there in time is reported and makes the exit status 1.
// Usage: screenshots EXE PICTURE OUTDIR
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "dialog_driver.h"
#include "driver.h"
#include "formats/bmp.h"

namespace {

bool g_failed = false;

bool Fail(const std::string& what) {
    std::printf("failed: %s\n", what.c_str());
    g_failed = true;
    return false;
}

// Saves the client area of `w` once it is painted.
bool Save(const e2e::Viewer& v, HWND w, const std::string& path) {
    if (!w) return Fail("no window for " + path);
    if (!e2e::WaitPainted(v, w)) return Fail("not painted in time: " + path);
    e2e::Capture cap;
    if (!e2e::CaptureClient(w, cap)) return Fail("no capture for " + path);
    lg::Image img = lg::Image::Create(cap.width, cap.height, 24, 0);
    for (int y = 0; y < cap.height; ++y)
        memcpy(img.topRow(y), cap.at(0, y), size_t(cap.width) * 3);
    lg::Status st;
    if (!lg::WriteBmp(path, img, st)) return Fail(path + ": " + st.error);
    std::printf("wrote %s\n", path.c_str());
    return true;
}

// Opens a dialog by command, saves it and cancels it again.
void ShootDialog(const e2e::Viewer& v, int command, const char* caption, const std::string& path) {
    e2e::SendCommand(v, command);
    HWND d = e2e::FindDialog(v, caption, e2e::kStepMs);
    if (!d) {
        Fail(std::string("no dialog \"") + caption + "\"");
        return;
    }
    Save(v, d, path);
    if (!e2e::AnswerMessageBox(d, IDCANCEL)) Fail(std::string("dialog \"") + caption + "\" stayed");
    if (!e2e::Sync(v)) Fail(std::string("the viewer did not go on after \"") + caption + "\"");
}

HWND FullScreenWindow(const e2e::Viewer& v) {
    HWND w = FindWindowA("FullViewClass", nullptr);
    DWORD pid = 0;
    if (w) GetWindowThreadProcessId(w, &pid);
    return pid == v.process.dwProcessId ? w : nullptr;
}

// The thanks dialog's fire: burning once a thirtieth of its area glows. The
// area is read from a capture of the dialog: a child window of another
// process cannot be captured on its own.
bool FireBurns(HWND dlg) {
    HWND area = e2e::Control(dlg, 1226);
    RECT r;
    e2e::Capture cap;
    if (!area || !GetClientRect(area, &r) || !e2e::CaptureClient(dlg, cap)) return false;
    MapWindowPoints(area, dlg, reinterpret_cast<POINT*>(&r), 2);
    int glowing = 0;
    for (int y = std::max(0, int(r.top)); y < std::min(cap.height, int(r.bottom)); ++y)
        for (int x = std::max(0, int(r.left)); x < std::min(cap.width, int(r.right)); ++x)
            glowing += cap.at(x, y)[2] > 128;
    return glowing * 30 >= (r.right - r.left) * (r.bottom - r.top);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: screenshots EXE PICTURE OUTDIR\n", stderr);
        return 2;
    }
    std::string exe = argv[1], picture = argv[2], out = std::string(argv[3]) + "\\";
    e2e::Viewer v;
    if (!e2e::Start(exe, picture, "", v) || !e2e::Sync(v)) {
        Fail("the viewer did not start");
        e2e::Stop(v);
        return 1;
    }
    Save(v, v.window, out + "main.bmp");
    e2e::SendCommand(v, 40047);
    e2e::SendCommand(v, 40047);
    if (!e2e::Sync(v)) Fail("zoom");
    Save(v, v.window, out + "zoomed.bmp");
    e2e::SendCommand(v, 40048);
    e2e::SendCommand(v, 40048);
    e2e::SendCommand(v, 40051);
    HWND info = e2e::FindDialog(v, "Image information", e2e::kStepMs);
    Save(v, info, out + "information.bmp");
    if (info && !e2e::AnswerMessageBox(info, IDOK)) Fail("the information dialog stayed");

    e2e::SendCommand(v, 40030);
    HWND full = nullptr;
    if (!e2e::WaitUntil([&] { return (full = FullScreenWindow(v)) != nullptr; })) Fail("no full screen");
    Save(v, full, out + "fullscreen.bmp");
    e2e::PressKey(v, 'Q');
    if (!e2e::WaitUntil([&] { return FullScreenWindow(v) == nullptr; }) || !e2e::Sync(v)) Fail("full screen stayed");

    e2e::SendCommand(v, 40146);
    HWND thanks = e2e::FindDialog(v, "Thanks ...", e2e::kStepMs);
    if (thanks && !e2e::WaitUntil([&] { return FireBurns(thanks); })) Fail("the fire did not catch");
    Save(v, thanks, out + "thanks.bmp");
    if (thanks && !e2e::AnswerMessageBox(thanks, IDOK)) Fail("the thanks dialog stayed");

    ShootDialog(v, 40098, "Batch conversion", out + "batch.bmp");
    ShootDialog(v, 40046, "Move Image", out + "copymove.bmp");
    ShootDialog(v, 40050, "Resize image", out + "resize.bmp");
    ShootDialog(v, 40160, "Set Parameters:", out + "effects.bmp");
    ShootDialog(v, 40002, "Lumagrove Properties", out + "properties.bmp");
    ShootDialog(v, 40011, "Save Picture As ...", out + "saveas.bmp");

    // The options sheet on its Other Options page.
    e2e::SendCommand(v, 40002);
    if (HWND sheet = e2e::FindDialog(v, "Lumagrove Properties", e2e::kStepMs)) {
        if (!e2e::Sync(v)) Fail("the options sheet did not set up");
        SendMessageA(sheet, PSM_SETCURSELID, 0, 105);
        Save(v, sheet, out + "other_options.bmp");
        if (!e2e::AnswerMessageBox(sheet, IDCANCEL)) Fail("the options sheet stayed");
        if (!e2e::Sync(v)) Fail("the viewer did not go on after the options sheet");
    } else {
        Fail("no options sheet");
    }

    e2e::PressKey(v, VK_ESCAPE);
    if (!e2e::WaitForExit(v, e2e::kStepMs)) Fail("Esc did not end the viewer");
    e2e::Stop(v);
    return g_failed ? 1 : 0;
}
