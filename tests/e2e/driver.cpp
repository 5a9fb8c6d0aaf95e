#include "driver.h"

#include <shlobj.h>

namespace e2e {

namespace {

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<ProcessWindows*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid) s->found.push_back(w);
    return TRUE;
}

// A top-level window of class `cls` of the viewer's process; null when none
// appears in time or the process ends.
HWND WaitForWindowOf(const Viewer& v, const std::string& cls, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w : WindowsOf(v))
            if (ClassOf(w) == cls) return (found = w) != nullptr;
        return v.process.hProcess && WaitForSingleObject(v.process.hProcess, 0) == WAIT_OBJECT_0;
    }, timeoutMs, 50);
    return found;
}

}  // namespace

std::string ClassOf(HWND w) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    return cls;
}

std::vector<HWND> WindowsOf(const Viewer& v) {
    ProcessWindows s = {v.process.dwProcessId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool Start(const std::string& exe, const std::string& args, const std::string& workDir, Viewer& v,
           DWORD timeoutMs) {
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &v.process))
        return false;
    WaitForInputIdle(v.process.hProcess, timeoutMs);
    v.window = WaitForWindowOf(v, "Lumagrove", timeoutMs);
    return v.window != nullptr;
}

bool WaitForExit(Viewer& v, DWORD timeoutMs, DWORD* code) {
    if (!v.process.hProcess) return false;
    if (WaitForSingleObject(v.process.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    if (code) GetExitCodeProcess(v.process.hProcess, code);
    return true;
}

void Stop(Viewer& v) {
    if (v.process.hProcess) {
        if (WaitForSingleObject(v.process.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(v.process.hProcess, 1);
        CloseHandle(v.process.hProcess);
        CloseHandle(v.process.hThread);
    }
    v = Viewer();
}

bool Sync(const Viewer& v, DWORD timeoutMs) {
    static const UINT mark = RegisterWindowMessageA("Lumagrove.QueueMark");
    static LONG counter = 0;
    if (!v.window) return false;
    const LONG token = InterlockedIncrement(&counter);
    if (!PostMessageA(v.window, mark, 0, LPARAM(token))) return false;
    return WaitUntil([&] {
        if (WaitForSingleObject(v.process.hProcess, 0) == WAIT_OBJECT_0) return true;
        return GetPropA(v.window, "Lumagrove.QueueMark") == reinterpret_cast<HANDLE>(LPARAM(token));
    }, timeoutMs) && WaitForSingleObject(v.process.hProcess, 0) != WAIT_OBJECT_0;
}

bool Responsive(const Viewer& v, DWORD timeoutMs) {
    DWORD_PTR result;
    return v.window &&
           SendMessageTimeoutA(v.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

bool WaitForTitle(const Viewer& v, const std::string& part, DWORD timeoutMs) {
    return WaitUntil([&] { return Title(v.window).find(part) != std::string::npos; }, timeoutMs);
}

bool WaitForFile(const std::string& path, DWORD timeoutMs) {
    LONGLONG lastSize = -1;
    return WaitUntil([&] {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size = {};
        GetFileSizeEx(f, &size);
        CloseHandle(f);
        const bool steady = size.QuadPart > 0 && size.QuadPart == lastSize;
        lastSize = size.QuadPart;
        return steady;
    }, timeoutMs, 50);
}

std::string Title(HWND w) {
    char text[512] = {};
    // WM_GETTEXT is answered across processes; GetWindowText would not ask.
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                        nullptr);
    return text;
}

void SendCommand(const Viewer& v, int id) { PostMessageA(v.window, WM_COMMAND, WPARAM(id), 0); }

void PressKey(const Viewer& v, int vk) {
    UINT scan = MapVirtualKeyA(UINT(vk), 0);
    PostMessageA(v.window, WM_KEYDOWN, WPARAM(vk), LPARAM(1 | (scan << 16)));
    PostMessageA(v.window, WM_KEYUP, WPARAM(vk), LPARAM(1 | (scan << 16) | (3u << 30)));
}

void DropFiles(const Viewer& v, const std::vector<std::string>& paths) {
    // The block must live in the viewer's process: a fixed global block is
    // addressed by its pointer, so memory written there serves as the HDROP.
    std::vector<char> block(sizeof(DROPFILES));
    for (const std::string& p : paths) block.insert(block.end(), p.c_str(), p.c_str() + p.size() + 1);
    block.push_back('\0');
    auto* df = reinterpret_cast<DROPFILES*>(block.data());
    df->pFiles = sizeof(DROPFILES);
    void* remote = VirtualAllocEx(v.process.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    if (!remote) return;
    WriteProcessMemory(v.process.hProcess, remote, block.data(), block.size(), nullptr);
    PostMessageA(v.window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

HWND FindMessageBox(const Viewer& v, DWORD timeoutMs) { return WaitForWindowOf(v, "#32770", timeoutMs); }

std::string MessageBoxText(HWND box) {
    // The text of a message box is its static control with id 0xFFFF.
    // The box may still be filling itself in when it is first found.
    std::string text;
    WaitUntil([&] {
        HWND label = GetDlgItem(box, 0xFFFF);
        text = label ? Title(label) : std::string();
        return !text.empty();
    }, 5000);
    return text;
}

bool AnswerMessageBox(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    // Wait until it is gone, so that the next search cannot find it again.
    return WaitUntil([&] { return !IsWindow(box); });
}

bool CaptureClient(HWND w, Capture& out) {
    RECT r;
    if (!GetClientRect(w, &r)) return false;
    return CaptureClientPart(w, 0, 0, r.right - r.left, r.bottom - r.top, out);
}

bool CaptureClientPart(HWND w, int x, int y, int width, int height, Capture& out) {
    out.width = width;
    out.height = height;
    if (out.width <= 0 || out.height <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = out.width;
    bi.bmiHeader.biHeight = -out.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(w);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BOOL ok = BitBlt(mem, 0, 0, out.width, out.height, screen, x, y, SRCCOPY);
    GdiFlush();
    const int stride = (out.width * 3 + 3) & ~3;
    out.bgr.assign(size_t(out.width) * out.height * 3, 0);
    if (ok && bits)
        for (int y = 0; y < out.height; ++y)
            memcpy(&out.bgr[size_t(y) * out.width * 3], static_cast<uint8_t*>(bits) + size_t(y) * stride,
                   size_t(out.width) * 3);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(w, screen);
    return ok != FALSE;
}

RECT WindowRect(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

int PictureTop(HWND w) {
    HWND bar = FindWindowExA(w, nullptr, "ToolbarWindow32", nullptr);
    if (!bar || !IsWindowVisible(bar)) return 0;
    return WindowRect(bar).bottom - WindowRect(bar).top;
}

std::string WindowsDirectory() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

namespace {

BOOL CALLBACK FindUnpainted(HWND w, LPARAM found) {
    if (IsWindowVisible(w) && GetUpdateRect(w, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool WaitPainted(const Viewer& v, HWND w, DWORD timeoutMs) {
    // BeginPaint empties the waiting part before the drawing starts: the
    // Sync behind it returns once that paint is over. Each child window
    // waits for its own paint.
    return WaitUntil([&] {
        bool unpainted = GetUpdateRect(w, nullptr, FALSE) != FALSE;
        if (!unpainted) EnumChildWindows(w, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
        return !unpainted;
    }, timeoutMs) && Sync(v, timeoutMs);
}

}  // namespace e2e
