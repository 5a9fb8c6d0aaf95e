#include "ops_pictures.h"

#include <climits>
#include <cstring>
#include <string>
#include <utility>

#include "ops/geometry.h"

using lg::Image;
using lg::Rect;
using namespace opstest;

namespace {

const int kDepths[] = {1, 4, 8, 24};

// 13 x 7: odd in both directions, not a multiple of a byte at 1 bit.
Image Sample(int bits) {
    Image img = Pattern(13, 7, bits, 77u + unsigned(bits));
    img.setResolution(3780, 2835);
    return img;
}

TEST(Geometry, FourQuarterTurnsGiveTheSameBufferAtEveryDepth) {
    for (int bits : kDepths) {
        SCOPED_TRACE(bits);
        const Image src = Sample(bits);
        Image right = src.Duplicate(), left = src.Duplicate();
        for (int i = 0; i < 4; ++i) {
            right = lg::RotateRight(right);
            left = lg::RotateLeft(left);
            ASSERT_TRUE(right && left);
            // Sizes are exchanged, resolutions are not.
            EXPECT_EQ(right.width(), i % 2 ? 13 : 7);
            EXPECT_EQ(left.xResolution(), 3780);
        }
        EXPECT_TRUE(SameBlock(right, src));
        EXPECT_TRUE(SameBlock(left, src));
    }
}

TEST(Geometry, QuarterTurnsAndFlipsMatchImageMagick) {
    for (int bits : kDepths) {
        const std::string name = "ops_bit" + std::to_string(bits);
        SCOPED_TRACE(name);
        const Image src = LoadBmp(name + ".bmp");
        ASSERT_TRUE(src);
        ASSERT_EQ(src.bitCount(), bits);
        EXPECT_TRUE(ShowsPpm(lg::RotateRight(src), name + "_right.ppm"));
        EXPECT_TRUE(ShowsPpm(lg::RotateLeft(src), name + "_left.ppm"));
        Image v = src.Duplicate(), hz = src.Duplicate();
        ASSERT_TRUE(lg::FlipVertical(v));
        ASSERT_TRUE(lg::FlipHorizontal(hz));
        EXPECT_TRUE(ShowsPpm(v, name + "_flip.ppm"));
        EXPECT_TRUE(ShowsPpm(hz, name + "_flop.ppm"));
        EXPECT_TRUE(ShowsPpm(lg::CropRect(src, Rect{3, src.height() - 2 - 4, 5, 4}), name + "_crop.ppm"));
    }
}

// Turns go through the picture in square tiles and move three-byte pixels
// four bytes at a time: pictures of several tiles and odd sides, whose rows
// end in padding, must still put every pixel where a clockwise (or
// anticlockwise) quarter turn on screen takes it and leave the padding zero.
TEST(Geometry, QuarterTurnsAcrossTilesMoveEveryPixelAndKeepThePaddingClear) {
    for (int bits : {8, 24})
        for (auto [w, h] : {std::pair{131, 70}, std::pair{70, 131}, std::pair{65, 1}, std::pair{1, 67}}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(w) + "x" + std::to_string(h));
            const Image src = Pattern(w, h, bits, 5u + unsigned(w));
            const Image right = lg::RotateRight(src), left = lg::RotateLeft(src);
            ASSERT_TRUE(right && left);
            ASSERT_EQ(right.width(), h);
            ASSERT_EQ(left.height(), w);
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    // Screen (x, y) goes to (h - 1 - y, x) turning right, to (y, w - 1 - x) turning left.
                    wrong += Shown(right, h - 1 - y, x) != Shown(src, x, y);
                    wrong += Shown(left, y, w - 1 - x) != Shown(src, x, y);
                }
            EXPECT_EQ(wrong, 0);
            const size_t used = size_t(h) * size_t(bits / 8);
            for (const Image* out : {&right, &left})
                for (int y = 0; y < out->height(); ++y)
                    for (size_t i = used; i < out->stride(); ++i) ASSERT_EQ(out->row(y)[i], 0) << "row " << y;
        }
}

TEST(Geometry, FlipsTwiceAreTheIdentityAndMirrorEveryPixel) {
    for (int bits : kDepths)
        for (int w : {1, 2, 8, 13, 16}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(w));
            const Image src = Pattern(w, 5, bits, unsigned(w * 31 + bits));
            Image v = src.Duplicate(), hz = src.Duplicate();
            ASSERT_TRUE(lg::FlipVertical(v));
            ASSERT_TRUE(lg::FlipHorizontal(hz));
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(IndexAt(v, x, 4 - y), IndexAt(src, x, y));
                    ASSERT_EQ(Shown(hz, w - 1 - x, y), Shown(src, x, y));
                }
            ASSERT_TRUE(lg::FlipVertical(v));
            ASSERT_TRUE(lg::FlipHorizontal(hz));
            EXPECT_TRUE(SameBlock(v, src));
            EXPECT_TRUE(SameBlock(hz, src));
        }
}

TEST(Geometry, HorizontalFlipOfThirteenBitsKeepsThePaddingClear) {
    Image img = Image::Create(13, 2, 1, 0);
    img.row(0)[0] = 0x80;                 // pixel 0
    img.row(1)[1] = 0x07;                 // stray bits after pixel 12
    ASSERT_TRUE(lg::FlipHorizontal(img));
    const uint8_t row0[4] = {0x00, 0x08, 0, 0};  // pixel 12
    EXPECT_EQ(0, std::memcmp(img.row(0), row0, 4));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(img.row(1)[i], 0) << i;
}

TEST(Geometry, CropOfTheWholeIsACopy) {
    for (int bits : kDepths) {
        SCOPED_TRACE(bits);
        const Image src = Sample(bits);
        const Image c = lg::CropRect(src, lg::WholePicture(src));
        ASSERT_TRUE(c);
        EXPECT_EQ(c.xResolution(), 0);  // a crop does not keep the resolution
        EXPECT_EQ(c.size(), src.size());
        EXPECT_EQ(0, std::memcmp(c.palette(), src.palette(), src.paletteBytes() + src.pixelBytes()));
    }
}

TEST(Geometry, CropStartsAtTheRightSubBytePixelAndClearsTheRest) {
    for (int bits : {1, 4}) {
        SCOPED_TRACE(bits);
        const Image src = Pattern(29, 3, bits, 5);
        for (int x = 0; x < 9; ++x)
            for (int w : {1, 3, 8, 9, 29 - x}) {
                const Image c = lg::CropRect(src, Rect{x, 1, w, 2});
                ASSERT_TRUE(c);
                ASSERT_EQ(c.width(), w);
                for (int y = 0; y < 2; ++y) {
                    for (int i = 0; i < w; ++i) ASSERT_EQ(IndexAt(c, i, y), IndexAt(src, x + i, y)) << x;
                    // Bits after the last pixel are zero.
                    const uint8_t* row = c.topRow(y);
                    const size_t used = size_t(w) * size_t(bits);
                    for (size_t b = used; b < c.stride() * 8; ++b)
                        ASSERT_EQ((row[b / 8] >> (7 - b % 8)) & 1, 0) << "x " << x << " w " << w;
                }
            }
    }
}

TEST(Geometry, RectanglesAreClampedToThePicture) {
    const Image src = Sample(8);
    // Past the right edge and the top.
    Image c = lg::CropRect(src, Rect{10, 5, 10, 10});
    ASSERT_TRUE(c);
    EXPECT_EQ(c.width(), 3);
    EXPECT_EQ(c.height(), 2);
    // Negative corners.
    c = lg::CropRect(src, Rect{-2, -1, 5, 4});
    ASSERT_TRUE(c);
    EXPECT_EQ(c.width(), 3);
    EXPECT_EQ(c.height(), 3);
    EXPECT_EQ(IndexAt(c, 0, 2), IndexAt(src, 0, 6));
    // Nothing left, and sizes that would overflow a sum.
    EXPECT_FALSE(lg::CropRect(src, Rect{13, 0, 5, 5}));
    EXPECT_FALSE(lg::CropRect(src, Rect{0, 0, 0, 5}));
    EXPECT_FALSE(lg::CropRect(src, Rect{-10, 0, 10, 5}));
    c = lg::CropRect(src, Rect{2, 2, INT_MAX, INT_MAX});
    ASSERT_TRUE(c);
    EXPECT_EQ(c.width(), 11);
    EXPECT_FALSE(lg::CropRect(src, Rect{INT_MAX, INT_MAX, INT_MAX, INT_MAX}));
    EXPECT_EQ(lg::ClampRect(Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 13, 7), (Rect{0, 0, 0, 0}));
}

TEST(Geometry, FillSetsOnlyTheClampedRectangle) {
    for (int bits : kDepths) {
        SCOPED_TRACE(bits);
        const Image src = Sample(bits);
        Image img = src.Duplicate();
        const int value = bits == 1 ? 1 : bits == 4 ? 9 : 200;
        ASSERT_TRUE(lg::FillRect(img, Rect{-3, 3, 8, 10}, value));  // columns 0-4, rows 3-6
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const bool inside = x < 5 && 6 - y >= 3;
                if (bits == 24)
                    ASSERT_EQ(Shown(img, x, y), inside ? (Rgb{200, 200, 200}) : Shown(src, x, y));
                else
                    ASSERT_EQ(IndexAt(img, x, y), inside ? value : IndexAt(src, x, y));
            }
        EXPECT_EQ(0, std::memcmp(img.row(3) + lg::PixelRowBytes(13, bits),
                                 src.row(3) + lg::PixelRowBytes(13, bits),
                                 img.stride() - lg::PixelRowBytes(13, bits)));
        EXPECT_FALSE(lg::FillRect(img, Rect{13, 0, 4, 4}, 0));
    }
}

TEST(Geometry, SelectionBecomesABufferRectangle) {
    lg::SelectionInView s;
    s.x0 = 50;  // dragged from bottom right to top left
    s.y0 = 80;
    s.x1 = 10;
    s.y1 = 30;
    s.imageHeight = 200;
    EXPECT_EQ(lg::SelectionToBufferRect(s), (Rect{10, 200 - 30 - 50, 40, 50}));
    s.scrolledH = true;
    s.scrollX = 7;
    s.scrollY = 100;  // not scrolled vertically: ignored
    s.toolbarVisible = true;
    s.toolbarHeight = 29;
    EXPECT_EQ(lg::SelectionToBufferRect(s), (Rect{17, 28 + 200 - 30 - 50, 40, 50}));
    s.scrolledV = true;
    EXPECT_EQ(lg::SelectionToBufferRect(s).y, 28 + 200 - 130 - 50);
}

}  // namespace
