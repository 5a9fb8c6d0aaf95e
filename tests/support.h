// Helpers shared by the test files: the generated pictures, reference PPMs,
// scratch directories and little-endian byte building. Only standard C++ here,
// so the same sources build natively and with MinGW.
#pragma once

#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/bmp.h"
#include "formats/format_table.h"
#include "formats/load.h"

namespace lgtest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Directory of the pictures made by make_testdata.sh. Under Wine the Unix
// path is reached through drive Z:.
const char* BuiltInTestDataDir();
const char* SourceDir();  // the checkout the tests were built from

inline std::string TestDataDir() {
    const char* env = std::getenv("LUMAGROVE_TESTDATA");
    std::string dir = env && *env ? env : BuiltInTestDataDir();
#ifdef _WIN32
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
#endif
    return dir;
}

inline std::string DataPath(const std::string& name) { return TestDataDir() + "/" + name; }

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& b) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// A binary PPM (P6, maxval 255) as RGB triples, top row first.
struct Ppm {
    int width = 0, height = 0;
    Bytes rgb;
    const uint8_t* at(int x, int y) const { return &rgb[3 * (size_t(y) * size_t(width) + size_t(x))]; }
};

inline bool ReadPpm(const std::string& path, Ppm& out) {
    Bytes b = ReadBytes(path);
    size_t pos = 0;
    auto skipSpace = [&] {
        for (;;) {
            while (pos < b.size() && std::isspace(b[pos])) ++pos;
            if (pos < b.size() && b[pos] == '#') {
                while (pos < b.size() && b[pos] != '\n') ++pos;
            } else {
                return;
            }
        }
    };
    auto number = [&] {
        skipSpace();
        long v = 0;
        while (pos < b.size() && b[pos] >= '0' && b[pos] <= '9') v = v * 10 + (b[pos++] - '0');
        return v;
    };
    if (b.size() < 2 || b[0] != 'P' || b[1] != '6') return false;
    pos = 2;
    out.width = int(number());
    out.height = int(number());
    if (number() != 255 || pos >= b.size()) return false;
    ++pos;  // the single blank after maxval
    size_t n = 3 * size_t(out.width) * size_t(out.height);
    if (b.size() - pos < n) return false;
    out.rgb.assign(b.begin() + std::ptrdiff_t(pos), b.begin() + std::ptrdiff_t(pos + n));
    return true;
}

// Red, green, blue of pixel (x, y from the top) of a 24-bit picture.
inline std::array<int, 3> Rgb24(const lg::Image& img, int x, int y) {
    const uint8_t* p = img.topRow(y) + 3 * size_t(x);
    return {p[2], p[1], p[0]};
}

// A fresh directory removed again with everything in it.
class TempDir {
public:
    TempDir() {
        static unsigned counter = 0;
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() /
                ("lgtest-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string str() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path path_;
};

#ifndef _WIN32
// What exiftool prints for `args` on `file` (one line per tag, -s3 values).
inline std::string ExifTool(const std::string& args, const std::string& file) {
    std::string out;
    FILE* p = popen(("exiftool -q -q " + args + " '" + file + "' 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

#endif

// Sets or (with "") removes an environment variable of this process.
inline void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty()) unsetenv(name);
    else setenv(name, value.c_str(), 1);
#endif
}

// Points the settings file (LUMAGROVE_HOME, which both builds honour) at a
// fresh scratch directory while the object lives, then restores the previous
// value. The whole test program also runs under one such redirect, so no test
// reads or writes the user's LUMAGR32.INI (under Wine: the prefix's Windows
// directory).
class ScratchSettings {
public:
    ScratchSettings() {
        const char* before = std::getenv("LUMAGROVE_HOME");
        had_ = before != nullptr;
        if (had_) before_ = before;
        home_ = dir_.file("home");  // missing until something writes a setting
        SetEnv("LUMAGROVE_HOME", home_);
    }
    ~ScratchSettings() { SetEnv("LUMAGROVE_HOME", had_ ? before_ : std::string()); }
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;

    const std::string& home() const { return home_; }

private:
    TempDir dir_;
    std::string home_, before_;
    bool had_ = false;
};

// Little-endian byte building for hand-made files.
struct ByteWriter {
    Bytes b;
    ByteWriter& u8(unsigned v) { b.push_back(uint8_t(v)); return *this; }
    ByteWriter& le16(unsigned v) { u8(v & 0xFF); return u8((v >> 8) & 0xFF); }
    ByteWriter& le32(uint32_t v) { le16(v & 0xFFFF); return le16(v >> 16); }
    ByteWriter& bytes(std::initializer_list<unsigned> vs) {
        for (unsigned v : vs) u8(v);
        return *this;
    }
    ByteWriter& append(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

// File header and 40-byte info header; the file size field is left at zero.
inline ByteWriter BmpHead(int32_t width, int32_t height, int bits, uint32_t compression,
                          uint32_t colorsUsed, uint32_t dataOffset) {
    ByteWriter w;
    w.bytes({'B', 'M'}).le32(0).le32(0).le32(dataOffset);
    w.le32(40).le32(uint32_t(width)).le32(uint32_t(height)).le16(1).le16(unsigned(bits));
    w.le32(compression).le32(0).le32(0).le32(0).le32(colorsUsed).le32(0);
    return w;
}

inline lg::Image ReadBmpBytes(const Bytes& b, lg::Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadBmpFrom(in, st);
}

// A file read by the format table's reader of `format`, as the reader gives it.
inline lg::Image ReadAs(int format, const std::string& path, lg::Status& st,
                        const lg::ReadOptions& opt = lg::ReadOptions(), lg::PictureFacts* facts = nullptr) {
    lg::PictureFacts ignored;
    return lg::ReadFileAs(format, path, opt, st, facts ? *facts : ignored);
}

// Channel values of a picture (any depth) further than `tol` from the
// reference; -1 when the sizes differ. A name is a PPM among the test
// pictures. In test_jpeg.cpp.
int PixelsOff(const lg::Image& picture, const Ppm& ref, int tol);
int PixelsOff(const lg::Image& picture, const std::string& ppmName, int tol);

}  // namespace lgtest
