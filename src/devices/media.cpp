#include "devices/media.h"

#include <vfw.h>

#include <fstream>
#include <string>

#include "core/packed_dib.h"
#include "devices/logic/device_logic.h"
#include "formats/animation.h"
#include "formats/bmp.h"
#include "formats/format_table.h"
#include "formats/status.h"
#include "formats/webp.h"

namespace lg {
namespace {

constexpr DWORD kMediaStyles = MCIWNDF_NOOPEN | MCIWNDF_NOTIFYSIZE | MCIWNDF_NOTIFYMODE | MCIWNDF_SHOWALL;

void PlayFromStart(HWND media) {
    MCIWndSeek(media, MCIWND_START);
    MCIWndPlay(media);
}

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

}  // namespace

HWND OpenMediaWindow(HWND parent, HINSTANCE instance, const std::string& path) {
    return MCIWndCreateA(parent, instance, WS_CHILD | WS_VISIBLE | kMediaStyles, path.c_str());
}

void PlayMedia(HWND media, int zoomPercent) {
    MCIWndSetZoom(media, UINT(zoomPercent));
    PlayFromStart(media);
}

void CloseMediaWindow(HWND media) { MCIWndDestroy(media); }

void ZoomMediaWindow(HWND media, int percent) { MCIWndSetZoom(media, UINT(percent)); }

void RestartAtEnd(HWND media) {
    // At the end Windows reports the length as the position, Wine the last
    // frame's.
    if (MCIWndGetPosition(media) + 1 >= MCIWndGetLength(media)) PlayFromStart(media);
}

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

void ExtractGifFrames(const std::string& path, const std::string& dir) {
    Animation anim;
    Status st;
    // WebP frames are read as the player shows them: whole composed canvases.
    const bool loaded = DetectFileFormat(path) == kFormatWebp ? LoadWebpFrames(path, anim, st)
                                                              : LoadGifFrames(path, anim, st);
    if (loaded) {
        const std::string base = BaseNameWithoutExtension(path);
        for (size_t i = 0; i < anim.frames.size(); ++i) {
            Image copy = anim.frames[i].image.Duplicate();
            if (copy) WriteBmp(ExtractFrameName(dir, base, int(i)), copy, st);
        }
    }
    ReleaseAnimation(anim);
}

}  // namespace lg
