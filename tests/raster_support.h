// Comparison helpers of the raster format tests (PCX, Targa, Sun raster,
// Photoshop, IFF, PBM/PGM/PPM): a picture against the reference PPM made
// beside its test file, directly or after a conversion to BMP.
#pragma once

#include "support.h"

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/convert.h"
#include "formats/convert_file.h"

namespace rastertest {

using namespace lgtest;

// A picture of any depth, expanded to 24 bits, against a reference PPM of
// the test data; each channel may be off by `tolerance`.
inline void ExpectPicture(lg::Image img, const std::string& refName, int tolerance = 0) {
    Ppm ref;
    ASSERT_TRUE(ReadPpm(DataPath(refName), ref)) << "missing reference " << DataPath(refName);
    ASSERT_TRUE(img);
    img = lg::ExpandTo24(lg::WidenToWorkingDepth(std::move(img)));
    ASSERT_TRUE(img);
    ASSERT_EQ(img.width(), ref.width);
    ASSERT_EQ(img.height(), ref.height);
    int bad = 0;
    std::string first;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            auto got = Rgb24(img, x, y);
            const uint8_t* want = ref.at(x, y);
            bool same = true;
            for (int c = 0; c < 3; ++c) same = same && std::abs(got[c] - want[c]) <= tolerance;
            if (!same && bad++ == 0)
                first = "pixel " + std::to_string(x) + "," + std::to_string(y) + ": got " +
                        std::to_string(got[0]) + " " + std::to_string(got[1]) + " " + std::to_string(got[2]) +
                        ", want " + std::to_string(want[0]) + " " + std::to_string(want[1]) + " " +
                        std::to_string(want[2]);
        }
    EXPECT_EQ(bad, 0) << refName << ": " << first;
}

inline bool Has(const std::string& name, const char* part) { return name.find(part) != std::string::npos; }

// Reads each test picture `name` + `ending` with the reader of `format` and
// compares it with `name`.ppm; `info` gives the info text the reader must
// report, `tolerance` how far a channel may be off (0 when not given).
inline void ExpectFilesMatch(const std::vector<std::string>& names, const std::string& ending, int format,
                             const std::function<std::string(const std::string&)>& info,
                             const std::function<int(const std::string&)>& tolerance = nullptr) {
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        lg::Status st;
        lg::Image img = ReadAs(format, DataPath(name + ending), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.info, info(name));
        ExpectPicture(std::move(img), name + ".ppm", tolerance ? tolerance(name) : 0);
    }
}

// A test picture converted to BMP as the command line does, against its reference.
inline void ExpectConvertsToBmp(const std::string& name, const std::string& refName) {
    TempDir dir;
    std::string msg;
    ASSERT_EQ(lg::ConvertFile(DataPath(name), dir.file("out.bmp"), {}, &msg), lg::ConvertResult::Ok) << msg;
    lg::Status st;
    ExpectPicture(lg::ReadBmp(dir.file("out.bmp"), st), refName);
}

}  // namespace rastertest
