// Takes the pictures a person would look at: the main window with a picture,
// zoomed, the information dialog, full screen, the thanks dialog, the batch
// conversion dialog and the Copy-Move chooser. Each
// window's client area is saved as a BMP in the directory given.
// Usage: screenshots EXE PICTURE OUTDIR
#include <cstdio>
#include <string>

#include "driver.h"
#include "formats/bmp.h"

namespace {

bool Save(HWND w, const std::string& path) {
    e2e::Capture cap;
    if (!w || !e2e::CaptureClient(w, cap)) return false;
    lg::Image img = lg::Image::Create(cap.width, cap.height, 24, 0);
    for (int y = 0; y < cap.height; ++y)
        memcpy(img.topRow(y), cap.at(0, y), size_t(cap.width) * 3);
    lg::Status st;
    bool ok = lg::WriteBmp(path, img, st);
    std::printf("%s %s\n", ok ? "wrote" : "failed", path.c_str());
    return ok;
}

HWND WaitDialog(const char* title) {
    for (int i = 0; i < 200; ++i, Sleep(50))
        if (HWND w = FindWindowA("#32770", title)) return w;
    return nullptr;
}

// The batch conversion dialog and the Copy-Move chooser, closed again.
void FileDialogs(const e2e::Viewer& v, const std::string& out) {
    e2e::SendCommand(v, 40098);
    HWND batch = WaitDialog("Batch conversion");
    Sleep(800);
    Save(batch, out + "batch.bmp");
    if (batch) PostMessageA(batch, WM_COMMAND, IDCANCEL, 0);
    e2e::Settle(v, 500);
    e2e::SendCommand(v, 40046);
    HWND chooser = WaitDialog("Move Image");
    Sleep(300);
    Save(chooser, out + "copymove.bmp");
    if (chooser) e2e::AnswerMessageBox(chooser, IDCANCEL);
}

// The Resize dialog, the effect parameters, the options sheet and the Save
// as dialog, each closed again.
void EditDialogs(const e2e::Viewer& v, const std::string& out) {
    const struct {
        int command;
        const char* title;
        const char* file;
    } shots[] = {{40050, "Resize image", "resize"},
                 {40160, "Set Parameters:", "effects"},
                 {40002, "Lumagrove Properties", "properties"},
                 {40011, "Save Picture As ...", "saveas"}};
    for (const auto& s : shots) {
        e2e::SendCommand(v, s.command);
        HWND d = WaitDialog(s.title);
        Sleep(800);
        Save(d, out + s.file + ".bmp");
        if (d) PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        e2e::Settle(v, 500);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: screenshots EXE PICTURE OUTDIR\n", stderr);
        return 2;
    }
    std::string exe = argv[1], picture = argv[2], out = std::string(argv[3]) + "\\";
    e2e::Viewer v;
    if (!e2e::Start(exe, picture, "", v)) return 1;
    e2e::Settle(v, 800);
    Save(v.window, out + "main.bmp");
    e2e::SendCommand(v, 40047);
    e2e::SendCommand(v, 40047);
    e2e::Settle(v, 800);
    Save(v.window, out + "zoomed.bmp");
    e2e::SendCommand(v, 40048);
    e2e::SendCommand(v, 40048);
    e2e::SendCommand(v, 40051);
    HWND info = e2e::FindMessageBox(v, 5000);
    e2e::Settle(v, 500);
    Save(info, out + "information.bmp");
    if (info) e2e::AnswerMessageBox(info, IDOK);
    e2e::SendCommand(v, 40030);
    e2e::Settle(v, 1000);
    Save(FindWindowA("FullViewClass", nullptr), out + "fullscreen.bmp");
    e2e::PressKey(v, 'Q');
    e2e::Settle(v, 500);
    e2e::SendCommand(v, 40146);
    HWND thanks = e2e::FindMessageBox(v, 5000);
    Sleep(1500);  // let the fire burn a while
    Save(thanks, out + "thanks.bmp");
    if (thanks) e2e::AnswerMessageBox(thanks, IDOK);
    FileDialogs(v, out);
    EditDialogs(v, out);
    e2e::PressKey(v, VK_ESCAPE);
    e2e::WaitForExit(v, 5000);
    e2e::Stop(v);
    return 0;
}
