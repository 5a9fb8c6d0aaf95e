// Video and sound files play in the platform's media window inside the main
// window; the frames of an AVI file or of an animation can be written out as
// numbered bitmaps.
#include <windows.h>
#include <vfw.h>

#include <fstream>
#include <string>

#include "core/messages.h"
#include "devices/devices.h"
#include "formats/animation.h"
#include "formats/bmp.h"
#include "formats/status.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/directory_chooser.h"
#include "shell/logic/device_logic.h"
#include "shell/logic/texts.h"
#include "shell/view.h"

namespace lg {
namespace {

constexpr DWORD kMediaStyles = MCIWNDF_NOOPEN | MCIWNDF_NOTIFYSIZE | MCIWNDF_NOTIFYMODE | MCIWNDF_SHOWALL;

void PlayFromStart(HWND media) {
    MCIWndSeek(media, MCIWND_START);
    MCIWndPlay(media);
}

// Width, height, depth and frame count of the first video stream.
struct AviSummary {
    int width = 0, height = 0, bits = 0, frames = 0;
};

// The first video stream of an AVI file, with frame access; closes what it
// opened when it goes.
struct AviReader {
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;
    PGETFRAME frames = nullptr;
    LONG length = 0;
    explicit AviReader(const std::string& path) {
        AVIFileInit();
        if (AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr) != 0) {
            file = nullptr;
            return;
        }
        if (AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) != 0) {
            stream = nullptr;
            return;
        }
        AVISTREAMINFOA info = {};
        if (AVIStreamInfoA(stream, &info, sizeof info) == 0) length = LONG(info.dwLength);
        frames = AVIStreamGetFrameOpen(stream, nullptr);
    }
    ~AviReader() {
        if (frames) AVIStreamGetFrameClose(frames);
        if (stream) AVIStreamRelease(stream);
        if (file) AVIFileRelease(file);
        AVIFileExit();
    }
    AviReader(const AviReader&) = delete;
    AviReader& operator=(const AviReader&) = delete;
    // Frame n as a picture of our own; empty when it cannot be fetched.
    Image Frame(LONG n) const {
        const auto* dib = static_cast<const uint8_t*>(AVIStreamGetFrame(frames, n));
        if (!dib) return Image();
        const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
        const int64_t stride = RowStride(h->biWidth, h->biBitCount);
        const int64_t rows = h->biHeight < 0 ? -int64_t(h->biHeight) : h->biHeight;
        const uint32_t colors = h->biClrUsed ? h->biClrUsed : h->biBitCount <= 8 ? 1u << h->biBitCount : 0;
        const int64_t masks = h->biCompression == BI_BITFIELDS ? 12 : 0;
        if (stride < 0) return Image();
        return PictureFromPackedDib(dib, size_t(h->biSize + masks + 4 * int64_t(colors) + stride * rows));
    }
};

bool AviSummaryOf(const std::string& path, AviSummary* s) {
    AviReader avi(path);
    if (!avi.frames) return false;
    const auto* h = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(avi.frames, 0));
    if (!h) return false;
    s->width = h->biWidth;
    s->height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    s->bits = h->biBitCount;
    s->frames = int(avi.length);
    return true;
}

bool ExtractAviFrames(const std::string& path, const std::string& dir) {
    AviReader avi(path);
    if (!avi.frames) return false;
    const std::string base = BaseNameWithoutExtension(path);
    bool ok = true;
    for (LONG n = 0; n < avi.length; ++n) {
        Image frame = avi.Frame(n);
        if (!frame) continue;  // a frame that cannot be fetched is skipped
        Status st;
        ok &= WriteBmp(ExtractFrameName(dir, base, int(n)), frame, st);
    }
    return ok;
}

bool IsAviFile(const std::string& path) {
    uint8_t head[15] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return LooksLikeAvi(head, size_t(in.gcount()));
}

// Asks for the directory to write frames to, proposing the last one used.
bool ChooseExtractDirectory(App& app, std::string* dir) {
    if (!ChooseDirectory(app.mainWindow, ReadSettingText(Setting::ExtractGIF), dir)) return false;
    platform::MakeDirectories(*dir);
    return true;
}

void ExtractAnimationFrames(App& app) {
    std::string dir;
    if (!ChooseExtractDirectory(app, &dir)) return;
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    Animation anim;
    Status st;
    if (LoadGifFrames(app.fileName, anim, st)) {
        const std::string base = BaseNameWithoutExtension(app.fileName);
        for (size_t i = 0; i < anim.frames.size(); ++i) {
            Image copy = anim.frames[i].image.Duplicate();
            if (copy) WriteBmp(ExtractFrameName(dir, base, int(i)), copy, st);
        }
    }
    ReleaseAnimation(anim);
    SetCursor(old);
}

void ExtractAvi(App& app) {
    std::string dir;
    if (!ChooseExtractDirectory(app, &dir)) return;
    AviSummary s;
    if (AviSummaryOf(app.fileName, &s)) {
        const std::string text = AviInformationText(s.width, s.height, s.bits, s.frames, WithBackslash(dir));
        if (MessageBoxA(app.mainWindow, text.c_str(), Msg(MsgId::AviInformation), MB_OKCANCEL | MB_ICONINFORMATION) !=
            IDOK)
            return;
    } else {
        MessageBeep(MB_OK);
    }
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const bool ok = ExtractAviFrames(app.fileName, dir);
    SetCursor(old);
    if (!ok) ShowMessage(app.mainWindow, Msg(MsgId::SaveError), MB_ICONINFORMATION);
}

}  // namespace

void CloseMedia(App& app) {
    if (!app.devices.media) return;
    MCIWndDestroy(app.devices.media);
    app.devices.media = nullptr;
}

bool OpenMedia(App& app, const std::string& path) {
    CloseMedia(app);
    HWND parent = app.fullScreen ? app.fullScreen : app.slideshow ? app.slideshow : app.mainWindow;
    app.devices.media = MCIWndCreateA(parent, app.instance, WS_CHILD | WS_VISIBLE | kMediaStyles, path.c_str());
    if (!app.devices.media) return false;
    MCIWndSetZoom(app.devices.media, UINT(ReadSetting(Setting::AVISize)));
    PlayFromStart(app.devices.media);
    const std::string title = Format("%s - %s", app.caption.c_str(), DisplayNameOf(path).c_str());
    SetWindowTextA(app.mainWindow, title.c_str());
    return true;
}

void MediaModeChanged(App& app, LONG mode) {
    HWND media = app.devices.media;
    if (!media || mode != MCI_MODE_STOP || !ReadSetting(Setting::AVILoop)) return;
    // At the end Windows reports the length as the position, Wine the last
    // frame's; a stop anywhere before that never restarts.
    if (MCIWndGetPosition(media) + 1 >= MCIWndGetLength(media)) PlayFromStart(media);
}

// The main window takes the media window's new size, with scroll bars where
// it does not fit, and the media window sits below the toolbar.
void MediaSizeChanged(App& app) {
    HWND media = app.devices.media;
    if (!media) return;
    RECT r;
    GetWindowRect(media, &r);
    SizeWindowFor(app, r.right - r.left, r.bottom - r.top);
    SetWindowPos(media, nullptr, 0, app.toolbarHeight, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void SetVideoSize(App& app, int percent) {
    WriteSetting(Setting::AVISize, percent);
    if (app.devices.media) MCIWndSetZoom(app.devices.media, UINT(percent));
}

void ToggleLoop(App&) { WriteSetting(Setting::AVILoop, ReadSetting(Setting::AVILoop) ? 0 : 1); }

void ExtractAllFrames(App& app) {
    if (app.animating) ExtractAnimationFrames(app);
    else if (IsAviFile(app.fileName)) ExtractAvi(app);
    else ShowMessage(app.mainWindow, Msg(MsgId::OnlyAviExtract), MB_ICONINFORMATION);
}

}  // namespace lg
