// Space to the painted next picture, end to end under Wine: a directory of
// 2 000 small PNGs and two 24-megapixel JPEGs; the viewer is started on the
// first JPEG and stepped with Space, each time until the client area shows
// the new picture's colour. Prints the times in milliseconds.
//   step_bench LUMAGR32.EXE SMALL_A.png SMALL_B.png BIG_A.jpg BIG_B.jpg
// The small pictures differ in their top-left colour, as do the big ones.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/e2e/driver.h"

namespace {

// Top-left pixel of the picture area (below the toolbar) as 0xRRGGBB.
unsigned Corner(HWND w) {
    const int top = e2e::PictureTop(w);
    e2e::Capture cap;
    if (!e2e::CaptureClient(w, cap) || cap.height <= top + 4) return 0xFFFFFFFF;
    const uint8_t* c = cap.at(2, top + 2);
    return unsigned(c[2]) << 16 | unsigned(c[1]) << 8 | c[0];
}

[[noreturn]] void Fail(e2e::Viewer& v, const char* what) {
    std::fprintf(stderr, "step_bench: %s\n", what);
    e2e::Stop(v);
    std::exit(1);
}

// Waits until the viewer has handled what it was sent and painted it.
void AtRest(e2e::Viewer& v) {
    if (!e2e::Sync(v) || !e2e::WaitPainted(v, v.window)) Fail(v, "the viewer did not come to rest");
}

// Presses Space and waits until the corner is no longer `before`.
double Step(e2e::Viewer& v, unsigned before) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    e2e::PressKey(v, VK_SPACE);
    if (!e2e::WaitUntil([&] { return Corner(v.window) != before; }, e2e::kStepMs, 1))
        Fail(v, "Space did not paint the next picture");
    QueryPerformanceCounter(&b);
    return double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: step_bench LUMAGR32.EXE SMALL_A.png SMALL_B.png BIG_A.jpg BIG_B.jpg\n");
        return 2;
    }
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string dir = std::string(tmp) + "lgstep" + std::to_string(GetTickCount());
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA(argv[4], (dir + "\\a0.jpg").c_str(), FALSE);
    CopyFileA(argv[5], (dir + "\\a1.jpg").c_str(), FALSE);
    for (int i = 0; i < 2000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\f%04d.png", i);
        CopyFileA(argv[2 + i % 2], (dir + name).c_str(), FALSE);
    }
    e2e::Viewer v;
    if (!e2e::Start(argv[1], dir + "\\a0.jpg", dir, v)) Fail(v, "the viewer did not start");
    AtRest(v);
    std::vector<double> big, small;
    for (int round = 0; round < 3; ++round) {
        e2e::SendCommand(v, 40057);  // first: a0.jpg
        AtRest(v);
        big.push_back(Step(v, Corner(v.window)));  // a0 -> a1
        AtRest(v);
        Step(v, Corner(v.window));  // a1 -> f0000
        AtRest(v);
        for (int i = 0; i < 10; ++i) {
            small.push_back(Step(v, Corner(v.window)));
            AtRest(v);
        }
    }
    e2e::PressKey(v, VK_ESCAPE);
    if (!e2e::WaitForExit(v, e2e::kStepMs)) Fail(v, "Esc did not end the viewer");
    e2e::Stop(v);
    std::sort(big.begin(), big.end());
    std::sort(small.begin(), small.end());
    std::printf("Space to painted, 24-megapixel JPEG: best %.0f ms, median %.0f ms\n", big.front(), big[big.size() / 2]);
    std::printf("Space to painted, small PNG in a directory of 2002 files: best %.0f ms, median %.0f ms\n",
                small.front(), small[small.size() / 2]);
    std::string cmd = "cmd /c rmdir /s /q \"" + dir + "\"";
    std::system(cmd.c_str());
    return 0;
}
