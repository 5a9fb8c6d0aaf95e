// End-to-end on a screen of 256 colours (on_palette_screen.sh gives the
// viewer an 8-bit Xvfb screen, which Wine shows through a palette): a loaded
// 24-bit picture, a pasted 24-bit bitmap and a 24-bit TIFF page are reduced
// to 256 colours, so each is an 8-bit picture whose colours stay close to
// ImageMagick's decode of the original.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

namespace fs = std::filesystem;

namespace {

using PaletteScreen = ViewerTest;

// The copy on the clipboard, the picture the viewer holds, is 8-bit and
// each of its pixels lies within `tolerance` of the reference in every channel.
::testing::AssertionResult CopiedPictureIsCloseTo(const RgbPicture& want, int tolerance) {
    if (!OpenClipboard(nullptr)) return ::testing::AssertionFailure() << "the clipboard cannot be opened";
    RgbPicture got;
    int bits = 0;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        const auto* p = static_cast<const uint8_t*>(GlobalLock(h));
        if (p) {
            bits = reinterpret_cast<const BITMAPINFOHEADER*>(p)->biBitCount;
            got = DecodeDib(p, GlobalSize(h));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    if (bits != 8) return ::testing::AssertionFailure() << "a picture of " << bits << " bits, not 8";
    if (!got || got.width != want.width || got.height != want.height)
        return ::testing::AssertionFailure() << "not the picture's size";
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x) {
            const Rgb a = got.at(x, y), b = want.at(x, y);
            if (std::abs(a.r - b.r) > tolerance || std::abs(a.g - b.g) > tolerance || std::abs(a.b - b.b) > tolerance)
                return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << Describe(a) << " for "
                                                     << Describe(b);
        }
    return ::testing::AssertionSuccess();
}

TEST_F(PaletteScreen, LoadPasteAndPagesAreReducedTo256Colours) {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(bits, 8) << "not a screen of 256 colours";

    const fs::path dir = fs::temp_directory_path() / "lumagrove_palette_screen";
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"gradient24.bmp", "paged.tif"}) fs::copy_file(DataDir() + "\\" + f, dir / f);
    WriteIni("");
    ASSERT_TRUE(e2e::Start(Exe(), (dir / "gradient24.bmp").string(), dir.string(), v));
    ASSERT_TRUE(e2e::WaitForTitle(v, "gradient24.bmp"));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - gradient24.bmp (64x48x8BPP)");
    const RgbPicture gradient = ReadRgb(DataDir() + "\\gradient24.rgb", 64, 48);
    ASSERT_NO_FATAL_FAILURE(Command(40053));  // Copy
    EXPECT_TRUE(CopiedPictureIsCloseTo(gradient, 24));

    // A 24-bit bitmap pasted: reduced too.
    {
        std::vector<uint8_t> dib(40 + 64 * 48 * 3);
        BITMAPINFOHEADER h = {};
        h.biSize = 40;
        h.biWidth = 64;
        h.biHeight = 48;
        h.biPlanes = 1;
        h.biBitCount = 24;
        std::memcpy(dib.data(), &h, sizeof h);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const Rgb c = gradient.at(x, 47 - y);
                uint8_t* p = &dib[40 + (size_t(y) * 64 + x) * 3];
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
            }
        ASSERT_TRUE(e2e::WaitUntil([] { return OpenClipboard(nullptr) != 0; }));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
        std::memcpy(GlobalLock(block), dib.data(), dib.size());
        GlobalUnlock(block);
        SetClipboardData(CF_DIB, block);
        CloseClipboard();
    }
    ASSERT_NO_FATAL_FAILURE(Command(40055));  // Paste
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - <Clipboard> (64x48x8BPP)");
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    EXPECT_TRUE(CopiedPictureIsCloseTo(gradient, 24));

    // The 24-bit first page of a TIFF, read again by First page.
    e2e::DropFiles(v, {(dir / "paged.tif").string()});
    ASSERT_TRUE(e2e::WaitForTitle(v, "paged.tif"));
    ASSERT_NO_FATAL_FAILURE(Command(40103));  // Last page
    ASSERT_NO_FATAL_FAILURE(Command(40102));  // First page
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - paged.tif (32x20x8BPP)");
    ASSERT_NO_FATAL_FAILURE(Command(40053));
    EXPECT_TRUE(CopiedPictureIsCloseTo(ReadRgb(DataDir() + "\\paged.tif.0.rgb", 32, 20), 24));
}

}  // namespace
