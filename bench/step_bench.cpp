// Space to the painted next picture, end to end under Wine. Prints times in
// milliseconds:
// - start-up to the painted first picture, for a small PNG (the program's own
//   start) and for a 24-megapixel JPEG;
// - a directory of twelve 24-megapixel JPEGs stepped forward and back, best
//   and median, and the viewer's peak working set, with the neighbours
//   decoded ahead and without, at three paces: a look of 1 s after each
//   picture is painted, a pause of 0.3 s, and back to back;
// - a small PNG in a directory of 2 002 files.
// Each step waits until the client area shows the new picture's colour.
//   step_bench LUMAGR32.EXE SMALL_A.png SMALL_B.png BIGDIR
// BIGDIR holds b00.jpg ... b11.jpg, each with its own top-left colour; the
// small pictures differ in their top-left colour too.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/e2e/driver.h"

namespace {

// Top-left pixel of the picture area (below the toolbar) as 0xRRGGBB.
unsigned Corner(HWND w) {
    RECT client;
    const int top = e2e::PictureTop(w);
    e2e::Capture cap;
    if (!GetClientRect(w, &client) || client.bottom <= top + 4 || client.right < 4 ||
        !e2e::CaptureClientPart(w, 2, top + 2, 1, 1, cap))
        return 0xFFFFFFFF;
    const uint8_t* c = cap.at(0, 0);
    return unsigned(c[2]) << 16 | unsigned(c[1]) << 8 | c[0];
}

[[noreturn]] void Fail(e2e::Viewer& v, const char* what) {
    std::fprintf(stderr, "step_bench: %s\n", what);
    e2e::Stop(v);
    std::exit(1);
}

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

// Waits until the viewer has handled what it was sent and painted it.
void AtRest(e2e::Viewer& v) {
    if (!e2e::Sync(v) || !e2e::WaitPainted(v, v.window)) Fail(v, "the viewer did not come to rest");
}

// The empty client area's grey: what a repaint shows for an instant before
// the picture is drawn over it.
constexpr unsigned kBackground = 0xC0C0C0;

// Presses a key and waits until the corner shows a picture that is not `before`.
double Step(e2e::Viewer& v, unsigned before, int key = VK_SPACE) {
    const double a = Now();
    e2e::PressKey(v, key);
    auto next = [&] {
        const unsigned c = Corner(v.window);
        return c != before && c != kBackground && c != 0xFFFFFFFF;
    };
    if (!e2e::WaitUntil(next, e2e::kStepMs, 1))
        Fail(v, "the step did not paint the next picture");
    return Now() - a;
}

// Starts the viewer on `file` and returns the time until its picture shows
// (the corner is no longer the empty window's grey, nor black).
double StartUp(e2e::Viewer& v, const std::string& exe, const std::string& file, const std::string& dir) {
    const double a = Now();
    if (!e2e::Start(exe, file, dir, v)) Fail(v, "the viewer did not start");
    auto shown = [&] {
        const unsigned c = Corner(v.window);
        return c != 0xFFFFFFFF && c != kBackground && c != 0;
    };
    if (!e2e::WaitUntil(shown, e2e::kStepMs, 1)) Fail(v, "the first picture did not show");
    return Now() - a;
}

void End(e2e::Viewer& v) {
    e2e::PressKey(v, VK_ESCAPE);
    if (!e2e::WaitForExit(v, e2e::kStepMs)) Fail(v, "Esc did not end the viewer");
    e2e::Stop(v);
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%s: best %.0f ms, median %.0f ms (%zu steps)\n", what, ms.front(), ms[ms.size() / 2], ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: step_bench LUMAGR32.EXE SMALL_A.png SMALL_B.png BIGDIR\n");
        return 2;
    }
    const std::string exe = argv[1], bigDir = argv[4];
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string dir = std::string(tmp) + "lgstep" + std::to_string(GetTickCount());
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int i = 0; i < 2; ++i)
        CopyFileA((bigDir + "\\b0" + std::to_string(i) + ".jpg").c_str(), (dir + "\\a" + std::to_string(i) + ".jpg").c_str(),
                  FALSE);
    for (int i = 0; i < 2000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\f%04d.png", i);
        CopyFileA(argv[2 + i % 2], (dir + name).c_str(), FALSE);
    }
    e2e::Viewer v;

    // Start-up: the program's own (a small picture), then a big JPEG.
    std::vector<double> startSmall, startBig;
    for (int round = 0; round < 3; ++round) {
        startSmall.push_back(StartUp(v, exe, argv[2], ""));
        End(v);
        startBig.push_back(StartUp(v, exe, bigDir + "\\b00.jpg", bigDir));
        End(v);
    }
    Report("Start-up to painted, small PNG (the program's own start)", startSmall);
    Report("Start-up to painted, 24-megapixel JPEG", startBig);

    // Twelve big JPEGs, forward and back, decoded ahead ([Viewing]
    // Preload=1) and as before (Preload=0), in the same run, at three paces:
    // a person looking at each photo for a second once it is painted, the
    // 0.3 s pause before each step, and steps back to back (the next Space as
    // soon as the picture is painted).
    for (int pause : {1000, 300, 0}) {
        for (const char* preload : {"1", "0"}) {
            WritePrivateProfileStringA("Viewing", "Preload", preload, "LUMAGR32.INI");  // in the Windows directory
            if (!e2e::Start(exe, bigDir + "\\b00.jpg", bigDir, v)) Fail(v, "the viewer did not start");
            AtRest(v);
            std::vector<double> big;
            for (int key : {VK_SPACE, VK_BACK}) {
                for (int i = 0; i < 11; ++i) {
                    if (pause) Sleep(DWORD(pause));
                    big.push_back(Step(v, Corner(v.window), key));
                    AtRest(v);
                }
            }
            PROCESS_MEMORY_COUNTERS pmc = {};
            pmc.cb = sizeof pmc;
            const bool haveMemory = GetProcessMemoryInfo(v.process.hProcess, &pmc, sizeof pmc) != 0;
            End(v);
            const std::string what = std::string("Space to painted, twelve 24-megapixel JPEGs, ") +
                                     (pause == 1000 ? "1 s look after each paint"
                                      : pause ? "0.3 s pauses"
                                              : "back to back") +
                                     ", Preload=" + preload;
            Report(what.c_str(), big);
            if (haveMemory)
                std::printf("Peak working set while stepping them, Preload=%s: %.0f MB\n", preload,
                            double(pmc.PeakWorkingSetSize) / 1048576.0);
        }
    }
    WritePrivateProfileStringA("Viewing", "Preload", nullptr, "LUMAGR32.INI");

    // Small pictures in a big directory, as fast as they come.
    if (!e2e::Start(exe, dir + "\\a0.jpg", dir, v)) Fail(v, "the viewer did not start");
    AtRest(v);
    std::vector<double> small;
    for (int round = 0; round < 3; ++round) {
        e2e::SendCommand(v, 40057);  // first: a0.jpg
        AtRest(v);
        Step(v, Corner(v.window));  // a0 -> a1
        AtRest(v);
        Step(v, Corner(v.window));  // a1 -> f0000
        AtRest(v);
        for (int i = 0; i < 10; ++i) {
            small.push_back(Step(v, Corner(v.window)));
            AtRest(v);
        }
    }
    End(v);
    Report("Space to painted, small PNG in a directory of 2002 files", small);
    std::string cmd = "cmd /c rmdir /s /q \"" + dir + "\"";
    std::system(cmd.c_str());
    return 0;
}
