// Where a JPEG load's time goes under Wine, stage by stage: the file read,
// libjpeg alone (the library's own calls, our settings) into a block written
// once before and into a fresh one, then our reader as the viewer calls it,
// twice in a row, and into the block of the picture before. Prints wall and
// thread CPU time of each, best of three, and whether libjpeg-turbo chose
// its SIMD routines.
//   decode_probe PICTURE.jpg
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include "core/bytes.h"
#include "formats/jpeg.h"
#include "formats/jpeg_lossless.h"
#include "win_clock.h"

extern "C" {  // libjpeg-turbo's run-time choice of SIMD code (jsimd.h is not installed)
int jsimd_can_idct_ifast(void);
int jsimd_can_idct_islow(void);
int jsimd_can_ycc_rgb(void);
int jsimd_can_h2v2_merged_upsample(void);
}

namespace {

struct Cost {
    double wall = 1e9, cpu = 1e9;
};

// Best of three runs of `run`.
Cost Measure(const std::function<void()>& run) {
    Cost best;
    for (int i = 0; i < 3; ++i) {
        const double a = Now(), c = ThreadCpu();
        run();
        const double wall = Now() - a, cpu = ThreadCpu() - c;
        if (wall < best.wall) best = Cost{wall, cpu};
    }
    return best;
}

void Print(const char* what, const Cost& c) {
    std::printf("%-56s wall %6.0f ms  CPU %6.0f ms\n", what, c.wall, c.cpu);
}

std::vector<uint8_t> ReadAll(const char* path) {
    std::vector<uint8_t> data;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return data;
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    data.resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(h, data.data(), DWORD(data.size()), &got, nullptr) || got != data.size()) data.clear();
    CloseHandle(h);
    return data;
}

// libjpeg alone from memory with the reader's settings (or the library's
// defaults), rows written where `rows` says; returns the time of
// jpeg_start_decompress and of the scanlines in `start` and `lines`.
bool BareDecode(const std::vector<uint8_t>& file, bool ourSettings, uint8_t* block, size_t stride, double& start,
                double& lines) {
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, file.data(), (unsigned long)file.size());
    jpeg_read_header(&c, TRUE);
    if (ourSettings) {
        c.dct_method = JDCT_IFAST;
        c.do_fancy_upsampling = FALSE;
    }
    c.out_color_space = JCS_EXT_BGR;
    double a = Now();
    jpeg_start_decompress(&c);
    start = Now() - a;
    a = Now();
    JSAMPROW rows[16];
    while (c.output_scanline < c.output_height) {
        const int n = int(std::min<JDIMENSION>(16, c.output_height - c.output_scanline));
        for (int i = 0; i < n; ++i) rows[i] = block + size_t(c.output_scanline + JDIMENSION(i)) * stride;
        jpeg_read_scanlines(&c, rows, JDIMENSION(n));
    }
    lines = Now() - a;
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: decode_probe PICTURE.jpg\n");
        return 2;
    }
    const char* path = argv[1];
    const char* none = std::getenv("JSIMD_FORCENONE");
    const char* sse2 = std::getenv("JSIMD_FORCESSE2");
    std::printf("JSIMD_FORCENONE=%s JSIMD_FORCESSE2=%s\n", none ? none : "(unset)", sse2 ? sse2 : "(unset)");
    std::printf("SIMD chosen: idct_ifast %d, idct_islow %d, ycc_rgb %d, h2v2_merged %d\n", jsimd_can_idct_ifast(),
                jsimd_can_idct_islow(), jsimd_can_ycc_rgb(), jsimd_can_h2v2_merged_upsample());

    std::vector<uint8_t> file;
    Print("file read in one piece (ReadFile)", Measure([&] { file = ReadAll(path); }));
    if (file.empty()) {
        std::fprintf(stderr, "decode_probe: cannot read %s\n", path);
        return 1;
    }
    int width = 0, height = 0;
    {
        lg::Status st;
        lg::JpegMetadata meta;
        lg::ByteSource in = lg::ByteSource::OpenFile(path);
        lg::Image img = lg::ReadJpegFrom(in, lg::ReadOptions(), st, &meta);
        width = meta.width;
        height = meta.height;
        if (!img) {
            std::fprintf(stderr, "decode_probe: %s\n", st.error.c_str());
            return 1;
        }
    }
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3), bytes = stride * size_t(height);
    std::printf("picture %d x %d, %.1f MB of rows\n", width, height, double(bytes) / 1e6);

    uint8_t* touched = static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    std::memset(touched, 1, bytes);
    for (int ours = 1; ours >= 0; --ours) {
        const char* settings = ours ? "reader's settings" : "library defaults";
        double start = 0, lines = 0, bestStart = 1e9, bestLines = 1e9;
        char what[128];
        std::snprintf(what, sizeof what, "libjpeg alone, %s, block written before", settings);
        Print(what, Measure([&] {
                  BareDecode(file, ours != 0, touched, stride, start, lines);
                  bestStart = std::min(bestStart, start);
                  bestLines = std::min(bestLines, lines);
              }));
        std::printf("   of which jpeg_start_decompress %.0f ms, scanlines %.0f ms\n", bestStart, bestLines);
        std::snprintf(what, sizeof what, "libjpeg alone, %s, fresh VirtualAlloc block", settings);
        Print(what, Measure([&] {
                  uint8_t* fresh =
                      static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
                  BareDecode(file, ours != 0, fresh, stride, start, lines);
                  VirtualFree(fresh, 0, MEM_RELEASE);
              }));
    }
    Print("first touch of a fresh block alone (memset)", Measure([&] {
              uint8_t* fresh =
                  static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
              std::memset(fresh, 1, bytes);
              VirtualFree(fresh, 0, MEM_RELEASE);
          }));
    Print("second touch of the same block (memset)", Measure([&] { std::memset(touched, 2, bytes); }));
    VirtualFree(touched, 0, MEM_RELEASE);

    Print("our reader from the file (picture dropped after)", Measure([&] {
              lg::Status st;
              lg::ByteSource in = lg::ByteSource::OpenFile(path);
              lg::Image img = lg::ReadJpegFrom(in, lg::ReadOptions(), st);
          }));
    lg::Image kept;
    Print("our reader from the file (previous picture kept)", Measure([&] {
              lg::Status st;
              lg::ByteSource in = lg::ByteSource::OpenFile(path);
              lg::Image img = lg::ReadJpegFrom(in, lg::ReadOptions(), st);
              kept = std::move(img);
          }));
    Print("our reader into the block of the previous picture", Measure([&] {
              lg::Status st;
              lg::ReadOptions opt;
              opt.spare = &kept;
              lg::ByteSource in = lg::ByteSource::OpenFile(path);
              kept = lg::ReadJpegFrom(in, opt, st);
          }));
    Print("fingerprint of the picture (taken at every viewer load)",
          Measure([&] { volatile uint64_t f = lg::PictureFingerprint(kept); (void)f; }));
    Print("our reader from memory", Measure([&] {
              lg::Status st;
              lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
              lg::Image img = lg::ReadJpegFrom(in, lg::ReadOptions(), st);
          }));
    return 0;
}
