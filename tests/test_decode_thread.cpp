// The reading part of a load run on other threads, two at once, gives what
// the same load gives on the calling thread, byte for byte, for every file of
// the test data whose type may be decoded ahead.
#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

#include "formats/format_table.h"
#include "formats/load.h"
#include "support.h"

using namespace lg;
using namespace lgtest;

namespace {

struct Job {
    const std::vector<std::string>* files;
    const LoadRequest* req;
    bool backwards;
    std::vector<DecodedPicture> out;
};

void Decode(Job& job) {
    const size_t n = job.files->size();
    job.out.resize(n);
    for (size_t k = 0; k < n; ++k) {
        const size_t i = job.backwards ? n - 1 - k : k;
        const std::string& f = (*job.files)[i];
        job.out[i] = DecodePicture(f, f, DetectFileFormat(f), *job.req);
    }
}

#ifdef _WIN32
DWORD WINAPI DecodeOnThread(void* job) {
    Decode(*static_cast<Job*>(job));
    return 0;
}
#endif

// Runs both jobs at the same time, each on a thread of its own.
void RunSideBySide(Job& a, Job& b) {
#ifdef _WIN32
    LPTHREAD_START_ROUTINE entry = DecodeOnThread;
    HANDLE t[2] = {CreateThread(nullptr, 0, entry, &a, 0, nullptr), CreateThread(nullptr, 0, entry, &b, 0, nullptr)};
    ASSERT_TRUE(t[0] && t[1]);
    WaitForMultipleObjects(2, t, TRUE, INFINITE);
    CloseHandle(t[0]);
    CloseHandle(t[1]);
#else
    std::thread x([&] { Decode(a); }), y([&] { Decode(b); });
    x.join();
    y.join();
#endif
}

void ExpectSame(const DecodedPicture& direct, const DecodedPicture& ahead, const std::string& file) {
    SCOPED_TRACE(file);
    EXPECT_EQ(int(direct.failure), int(ahead.failure));
    EXPECT_EQ(direct.error, ahead.error);
    ASSERT_EQ(bool(direct.picture), bool(ahead.picture));
    if (direct.picture) {
        ASSERT_EQ(direct.picture.size(), ahead.picture.size());
        EXPECT_EQ(0, std::memcmp(direct.picture.header(), ahead.picture.header(), direct.picture.size()));
    }
    const PictureFacts &x = direct.facts, &y = ahead.facts;
    EXPECT_EQ(x.infoText, y.infoText);
    EXPECT_EQ(x.bitCount, y.bitCount);
    EXPECT_EQ(x.width, y.width);
    EXPECT_EQ(x.height, y.height);
    EXPECT_EQ(x.xResolution, y.xResolution);
    EXPECT_EQ(x.multipage, y.multipage);
    EXPECT_EQ(x.pageCount, y.pageCount);
    EXPECT_EQ(x.startAnimation, y.startAnimation);
    EXPECT_EQ(x.pcdOverview, y.pcdOverview);
}

}  // namespace

TEST(DecodeAhead, OtherThreadsDecodeEveryTypeAsTheCallingThread) {
    std::vector<std::string> files;
    std::set<int> formats;
    for (const auto& e : fs::directory_iterator(TestDataDir())) {
        if (!e.is_regular_file()) continue;
        const std::string f = e.path().string();
        const int format = DetectFileFormat(f);
        if (!MayDecodeAhead(format)) continue;
        files.push_back(f);
        formats.insert(format);
    }
    // JPEG, GIF, BMP, PNG, PCX, Sun, TIFF, Photo CD, Targa, PBM/PGM/PPM, IFF,
    // Photoshop, DCX, clipboard, EPS, Casio and G3 files are in the test data.
    EXPECT_GE(formats.size(), 17u);

    LoadRequest plain;
    LoadRequest reduced;  // a 256-colour screen, grey JPEGs, the smallest Photo CD size
    reduced.paletteDisplay = true;
    reduced.grayscaleJpeg = true;
    reduced.pcdSize = 0;
    for (const LoadRequest* req : {&plain, &reduced}) {
        Job here{&files, req, false, {}};
        Decode(here);
        Job a{&files, req, false, {}}, b{&files, req, true, {}};
        RunSideBySide(a, b);
        for (size_t i = 0; i < files.size(); ++i) {
            ExpectSame(here.out[i], a.out[i], files[i]);
            ExpectSame(here.out[i], b.out[i], files[i]);
        }
    }
}
