// The paint alone under Wine: a picture drawn into a 1000 x 700 window the way
// the viewer draws it (only the part that shows) beside the whole picture
// stretched at once, at 100 % scrolled to the middle and at 110 %. Prints the
// best and median of each in milliseconds, after the decode time.
//   paint_bench PICTURE
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "formats/load.h"
#include "shell/logic/view_geometry.h"
#include "shell/view.h"

#include "win_clock.h"

namespace {

void Whole(HDC dc, const lg::Image& img, const lg::Placement& p, const RECT&) {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, p.left, p.top, p.width, p.height, 0, 0, img.width(), img.height(), img.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
}

template <class Draw>
void Time(const char* what, HWND w, const lg::Image& img, int percent, Draw draw) {
    const int dw = lg::ZoomedLength(img.width(), percent), dh = lg::ZoomedLength(img.height(), percent);
    RECT client;
    GetClientRect(w, &client);
    const lg::Placement p{-(dw - client.right) / 2, -(dh - client.bottom) / 2, dw, dh};
    std::vector<double> ms;
    HDC dc = GetDC(w);
    for (int i = 0; i < 15; ++i) {
        const double a = Now();
        draw(dc, img, p, client);
        GdiFlush();
        ms.push_back(Now() - a);
    }
    ReleaseDC(w, dc);
    std::sort(ms.begin(), ms.end());
    std::printf("paint %-24s at %3d %%: best %7.2f ms, median %7.2f ms\n", what, percent, ms.front(),
                ms[ms.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: paint_bench PICTURE\n");
        return 2;
    }
    // The decode too, best of three: with JSIMD_FORCENONE=1 in the
    // environment libjpeg-turbo leaves its SIMD code aside, which shows
    // whether the build has it.
    lg::Image img;
    double decode = 1e9, decodeCpu = 1e9;
    for (int i = 0; i < 3; ++i) {
        lg::Status st;
        const double a = Now(), cpu = ThreadCpu();
        img = lg::LoadQuiet(argv[1], lg::ReadOptions(), st);
        decode = std::min(decode, Now() - a);
        decodeCpu = std::min(decodeCpu, ThreadCpu() - cpu);
        if (!img) {
            std::fprintf(stderr, "paint_bench: %s\n", st.error.c_str());
            return 1;
        }
    }
    const char* simd = std::getenv("JSIMD_FORCENONE");
    std::printf("decode (quiet load) best %.0f ms, CPU %.0f ms%s\n", decode, decodeCpu,
                simd && *simd == '1' ? " with JSIMD_FORCENONE=1" : "");
    RECT r{0, 0, 1000, 700};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND w = CreateWindowA("STATIC", "paint_bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    std::printf("picture %d x %d, %d bits\n", img.width(), img.height(), img.bitCount());
    for (int percent : {100, 110}) {
        Time("whole picture (before)", w, img, percent, Whole);
        Time("what shows (now)", w, img, percent, lg::DrawPicture);
    }
    DestroyWindow(w);
    return 0;
}
