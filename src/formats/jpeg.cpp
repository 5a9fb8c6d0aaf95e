#include "formats/jpeg.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
extern "C" {  // a C header without its own guard
#include <transupp.h>
}

#include "core/convert.h"
#include "core/messages.h"
#include "formats/exif.h"
#include "platform/outfile.h"
#include "platform/threads.h"

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed: its BGR colour spaces match the picture's byte order"
#endif

namespace lg {
namespace {

// A hostile progressive file can repeat scans over the whole picture without end.
constexpr int kMaxScans = 500;
constexpr size_t kInputBufferSize = 64 * 1024;
constexpr int kRowsPerCall = 16;

// libjpeg's error manager with a way back: error_exit formats the library's
// message and jumps to the recovery point of the step that failed.
struct JpegError {
    jpeg_error_mgr mgr;  // first, so the library's pointer to it is ours too
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

JpegError* ErrorOf(j_common_ptr c) { return reinterpret_cast<JpegError*>(c->err); }

void ErrorExit(j_common_ptr c) {
    JpegError* e = ErrorOf(c);
    c->err->format_message(c, e->text);
    std::longjmp(e->jump, 1);
}

void StayQuiet(j_common_ptr) {}  // warnings and traces never reach the console

void InitError(JpegError& e) {
    jpeg_std_error(&e.mgr);
    e.mgr.error_exit = ErrorExit;
    e.mgr.output_message = StayQuiet;
    e.text[0] = 0;
}

// Runs a stretch of library calls; false when the library raised an error.
// The recovery point lives in this small frame, so the jump back never
// passes an object that needs destroying.
template <class Steps>
bool Guarded(JpegError& e, Steps&& steps) {
    if (setjmp(e.jump)) return false;
    steps();
    return true;
}

// Input from a ByteSource, so files and memory decode alike.
struct Source {
    jpeg_source_mgr pub;  // first, as the library sees it
    ByteSource* in;
    uint8_t* buffer;
};

Source* SourceOf(j_decompress_ptr c) { return reinterpret_cast<Source*>(c->src); }

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr c) {
    Source* s = SourceOf(c);
    const size_t want = size_t(std::min<uint64_t>(kInputBufferSize, s->in->remaining()));
    size_t got = want ? s->in->read(s->buffer, want) : 0;
    if (got == 0) {
        // Like the library's own file source: warn and end the stream, so a
        // cut-off file still shows the rows it holds.
        WARNMS(c, JWRN_JPEG_EOF);
        s->buffer[0] = 0xFF;
        s->buffer[1] = JPEG_EOI;
        got = 2;
    }
    s->pub.next_input_byte = s->buffer;
    s->pub.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr c, long count) {
    if (count <= 0) return;
    Source* s = SourceOf(c);
    const size_t n = size_t(count);
    if (n <= s->pub.bytes_in_buffer) {
        s->pub.next_input_byte += n;
        s->pub.bytes_in_buffer -= n;
        return;
    }
    s->in->skip(uint64_t(n - s->pub.bytes_in_buffer));
    s->pub.bytes_in_buffer = 0;
}

void LimitScans(j_common_ptr c) {
    j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number <= kMaxScans) return;
    JpegError* e = ErrorOf(c);
    std::snprintf(e->text, sizeof e->text, "Progressive JPEG image has more than %d scans", kMaxScans);
    std::longjmp(e->jump, 1);
}

// The decoding parameters: speed first, then the caller's wishes.
// Returns whether the output is quantized to a palette.
bool SetParameters(jpeg_decompress_struct& c, const ReadOptions& opt) {
    c.dct_method = JDCT_IFAST;
    c.do_fancy_upsampling = FALSE;
    c.quantize_colors = FALSE;
    c.two_pass_quantize = FALSE;
    c.dither_mode = JDITHER_FS;
    const bool fileGrey = c.out_color_space == JCS_GRAYSCALE;
    const bool cmyk = c.out_color_space == JCS_CMYK;
    bool palette = opt.paletteDisplay;
    if (opt.grayscale && !cmyk) {
        c.out_color_space = JCS_GRAYSCALE;
        palette = false;
    }
    const bool quantize = palette && !fileGrey && !cmyk;
    if (quantize) {
        c.out_color_space = JCS_RGB;  // the colour map's rows are then red, green, blue
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = 256;
        c.two_pass_quantize = TRUE;
    } else if (c.out_color_space != JCS_GRAYSCALE && !cmyk) {
        // Rows arrive in the picture's blue-green-red order; a colour space
        // the library cannot turn into RGB is refused by the library itself.
        c.out_color_space = JCS_EXT_BGR;
    }
    if (opt.previewWidth > 0) {
        const long p = opt.previewWidth, w = long(c.image_width);
        c.scale_num = 1;
        c.scale_denom = 4;
        if (w / 8 >= p - 10) c.scale_denom = 8;
        if (w <= p + 10) c.scale_denom = 1;
    }
    return quantize;
}

// Adobe CMYK files store inverted samples; ink coverage adds up and clips at black.
inline uint8_t InkToLight(int s, int k) { return uint8_t(std::max(0, s + k - 255)); }

void CmykRowToBgr(const uint8_t* s, uint8_t* d, unsigned width) {
    for (unsigned x = 0; x < width; ++x, s += 4, d += 3) {
        d[0] = InkToLight(s[2], s[3]);
        d[1] = InkToLight(s[1], s[3]);
        d[2] = InkToLight(s[0], s[3]);
    }
}

// JFIF density in dots per inch; an aspect ratio alone (unit 0) is no resolution.
void DensityOf(const jpeg_decompress_struct& c, int& x, int& y) {
    x = y = 0;
    if (c.density_unit == 1) {
        x = c.X_density;
        y = c.Y_density;
    } else if (c.density_unit == 2) {
        x = int(std::lround(c.X_density * 2.54));
        y = int(std::lround(c.Y_density * 2.54));
    }
}

// The Exif block and the ICC profile from the markers the library kept.
void TakeMetadata(jpeg_decompress_struct& c, JpegMetadata& meta) {
    for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && meta.exif.empty() && IsExifBlock(m->data, m->data_length))
            meta.exif.assign(m->data, m->data + m->data_length);
    }
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&c, &icc, &iccLength) && icc) meta.icc.assign(icc, icc + iccLength);
    std::free(icc);
}

}  // namespace

struct JpegRowReader::Decoder {
    JpegError err{};
    jpeg_decompress_struct cinfo{};
    Source src{};
    jpeg_progress_mgr progress{};
    std::unique_ptr<uint8_t[]> buffer;
    bool quantize = false;
    const std::atomic<bool>* cancel = nullptr;  // ReadOptions::cancel
    JSAMPARRAY cmykLine = nullptr;  // a CMYK row before it becomes blue-green-red
    ~Decoder() { jpeg_destroy_decompress(&cinfo); }  // safe on a never-created object
};

JpegRowReader::JpegRowReader() = default;
JpegRowReader::~JpegRowReader() = default;

bool JpegRowReader::start(ByteSource& in, const ReadOptions& opt, Status& st, JpegMetadata* meta) {
    st.error = Msg(MsgId::JpegNotValid);
    d_.reset(new (std::nothrow) Decoder);
    Decoder* d = d_.get();
    if (d) d->buffer.reset(new (std::nothrow) uint8_t[kInputBufferSize]);
    if (!d || !d->buffer) {
        st.error = Msg(MsgId::CantAllocate);
        return false;
    }
    InitError(d->err);
    d->cinfo.err = &d->err.mgr;
    d->src.in = &in;
    d->src.buffer = d->buffer.get();
    d->src.pub.init_source = InitSource;
    d->src.pub.fill_input_buffer = FillInput;
    d->src.pub.skip_input_data = SkipInput;
    d->src.pub.resync_to_restart = jpeg_resync_to_restart;
    d->src.pub.term_source = TermSource;
    d->progress.progress_monitor = LimitScans;
    d->cancel = opt.cancel;
    jpeg_decompress_struct& c = d->cinfo;

    const bool headerOk = Guarded(d->err, [&] {
        jpeg_create_decompress(&c);
        c.src = &d->src.pub;
        c.progress = &d->progress;
        // Beyond this the library refuses instead of asking for more memory
        // (progressive and two-pass decoding hold whole-picture buffers).
        c.mem->max_memory_to_use = long(std::min<int64_t>(kMaxImageBytes, 0x7FFFFFFF));
        if (meta) {
            jpeg_save_markers(&c, JPEG_APP0 + 1, 0xFFFF);
            jpeg_save_markers(&c, JPEG_APP0 + 2, 0xFFFF);
        }
        jpeg_read_header(&c, TRUE);
        if (meta) TakeMetadata(c, *meta);
        d->quantize = SetParameters(c, opt);
        jpeg_calc_output_dimensions(&c);
        if (meta) {
            meta->width = int(c.image_width);
            meta->height = int(c.image_height);
            meta->wholeDecode = !d->quantize && c.output_width == c.image_width &&
                                c.output_height == c.image_height &&
                                (c.out_color_space != JCS_GRAYSCALE || c.jpeg_color_space == JCS_GRAYSCALE);
        }
    });
    if (!headerOk) {
        st.error = d->err.text;
        return false;
    }
    const int depth = bitCount();
    // Checked before the library allocates its own whole-picture buffers.
    // (The library reads ahead, so the whole file counts.)
    if (!ClaimFitsIn(in.limits(), in.size(), c.output_width, c.output_height, depth, depth == 8 ? 256 : 0,
                     uint64_t(c.output_width) * uint64_t(c.output_components), kExpandJpeg, st))
        return false;
    if (!Guarded(d->err, [&] {
            jpeg_start_decompress(&c);
            if (c.out_color_space == JCS_CMYK)
                d->cmykLine = c.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE,
                                                  c.output_width * 4, 1);
        })) {
        st.error = d->err.text;
        return false;
    }
    st.error.clear();
    return true;
}

int JpegRowReader::width() const { return int(d_->cinfo.output_width); }
int JpegRowReader::height() const { return int(d_->cinfo.output_height); }

int JpegRowReader::bitCount() const {
    const J_COLOR_SPACE space = d_->cinfo.out_color_space;
    const bool rgbLike = space == JCS_EXT_BGR || space == JCS_CMYK;
    return rgbLike && !d_->quantize ? 24 : 8;
}

bool JpegRowReader::quantized() const { return d_->quantize; }

void JpegRowReader::resolution(int& x, int& y) const { DensityOf(d_->cinfo, x, y); }

void JpegRowReader::palette(uint8_t* table) const {
    if (bitCount() != 8) return;
    const jpeg_decompress_struct& c = d_->cinfo;
    if (!d_->quantize) {
        FillGreyRamp(table);
        return;
    }
    std::memset(table, 0, 256 * 4);
    for (int i = 0; i < std::min(c.actual_number_of_colors, 256); ++i) {
        uint8_t* e = table + 4 * i;
        e[0] = c.colormap[2][i];
        e[1] = c.colormap[1][i];
        e[2] = c.colormap[0][i];
    }
}

bool JpegRowReader::readRows(uint8_t** rows, int n, Status& st) {
    if (d_->cancel && d_->cancel->load(std::memory_order_relaxed)) {
        st.error = "Decoding stopped: the picture is no longer wanted";
        return false;
    }
    jpeg_decompress_struct& c = d_->cinfo;
    int got = 0;
    const bool ok = Guarded(d_->err, [&] {
        while (got < n && c.output_scanline < c.output_height) {
            if (d_->cmykLine) {
                if (jpeg_read_scanlines(&c, d_->cmykLine, 1) != 1) break;
                CmykRowToBgr(d_->cmykLine[0], rows[got++], c.output_width);
            } else {
                // Every other output fits the stored rows as they are: decode straight into them.
                const JDIMENSION k = jpeg_read_scanlines(&c, rows + got, JDIMENSION(n - got));
                if (k == 0) break;
                got += int(k);
            }
        }
    });
    if (!ok) {
        st.error = d_->err.text;
        return false;
    }
    if (got < n) {
        st.error = Msg(MsgId::JpegNotValid);
        return false;
    }
    return true;
}

void JpegRowReader::finish() {
    // Every row is in; damage behind the picture does not take it away.
    Guarded(d_->err, [&] { jpeg_finish_decompress(&d_->cinfo); });
}

Image ReadJpegFrom(ByteSource& in, const ReadOptions& opt, Status& st, JpegMetadata* meta) {
    JpegRowReader r;
    if (!r.start(in, opt, st, meta)) return Image();
    const int depth = r.bitCount(), height = r.height();
    // Every row is decoded into (below; a failure part-way gives no picture).
    const uint8_t* spareBlock = opt.spare ? opt.spare->data() : nullptr;
    Image img = Image::CreateForRows(r.width(), height, depth, depth == 8 ? 256 : 0, nullptr, opt.spare);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    // A block not written before is faulted in beside the decode, which
    // writes rows from the top (the block's highest address) down.
    const size_t rowBytes = img.data() != spareBlock ? img.stride() : 0;
    platform::PageWarmer warmer(img.row(0), img.row(0) + rowBytes * size_t(height), false);
    int x = 0, y = 0;
    r.resolution(x, y);
    img.setResolution(x, y);
    r.palette(img.palette());
    uint8_t* rows[kRowsPerCall];
    for (int top = 0; top < height; top += kRowsPerCall) {
        const int n = std::min(kRowsPerCall, height - top);
        for (int i = 0; i < n; ++i) rows[i] = img.topRow(top + i);
        warmer.Reach(size_t(top + n) * rowBytes);
        if (!r.readRows(rows, n, st)) return Image();
    }
    r.finish();
    st.error.clear();
    return img;
}

Image LoadJpeg(ByteSource& in, const std::string&, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    JpegMetadata meta;
    Image img = ReadJpegFrom(in, opt, st, &meta);
    if (opt.autoRotate) facts.orientation = ExifOrientation(meta.exif.data(), meta.exif.size());
    facts.exif = std::move(meta.exif);
    facts.icc = std::move(meta.icc);
    facts.jpegOrigin = JpegOrigin();
    facts.jpegOrigin.wholeDecode = img && meta.wholeDecode;
    facts.jpegOrigin.width = meta.width;
    facts.jpegOrigin.height = meta.height;
    return img;
}

namespace {

struct Encoder {
    JpegError err{};
    jpeg_compress_struct cinfo{};
    ~Encoder() { jpeg_destroy_compress(&cinfo); }
};

// JFIF wants a non-zero density; a picture without resolution gets the
// plain 1:1 aspect ratio instead.
void SetDensity(jpeg_compress_struct& c, const Image& img) {
    const int x = img.xResolution(), y = img.yResolution();
    if (x <= 0 || y <= 0) {
        c.density_unit = 0;
        c.X_density = c.Y_density = 1;
        return;
    }
    c.density_unit = 1;
    c.X_density = UINT16(std::min(x, 65535));
    c.Y_density = UINT16(std::min(y, 65535));
}

// Palette pictures go through their colour table into blue-green-red rows;
// indexes beyond the table read black.
struct PaletteRows {
    uint8_t lut[256][3] = {};
    std::vector<uint8_t> row;
    explicit PaletteRows(const Image& img) {
        if (img.bitCount() != 8) return;
        row.resize(size_t(img.width()) * 3);
        const uint32_t n = std::min<uint32_t>(img.colorsUsed(), 256);
        for (uint32_t i = 0; i < n; ++i) std::memcpy(lut[i], img.palette() + 4 * i, 3);
    }
    uint8_t* Expand(const uint8_t* s, int width) {
        uint8_t* d = row.data();
        for (int x = 0; x < width; ++x, d += 3) std::memcpy(d, lut[s[x]], 3);
        return row.data();
    }
};

// The source photo's Exif block (without its thumbnail) and ICC profile. A
// greyscale save drops a colour profile, which would not fit its one channel.
void WriteMetadata(jpeg_compress_struct& c, const SaveOptions& opt) {
    if (opt.exif && !opt.exif->empty()) {
        const std::vector<uint8_t> exif = ExifForSaving(opt.exif->data(), opt.exif->size(), opt.resetOrientation);
        if (!exif.empty() && exif.size() <= 65533)
            jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), unsigned(exif.size()));
    }
    if (opt.icc && !opt.icc->empty() && !opt.jpegGrayscale && c.jpeg_color_space != JCS_GRAYSCALE)
        jpeg_write_icc_profile(&c, opt.icc->data(), unsigned(opt.icc->size()));
}

void Compress(jpeg_compress_struct& c, const Image& img, const SaveOptions& opt, std::FILE* f,
              PaletteRows* palette) {
    jpeg_create_compress(&c);
    c.in_color_space = JCS_EXT_BGR;  // the picture's own byte order
    c.input_components = 3;
    jpeg_set_defaults(&c);
    c.image_width = JDIMENSION(img.width());
    c.image_height = JDIMENSION(img.height());
    SetDensity(c, img);
    c.optimize_coding = TRUE;
    jpeg_default_colorspace(&c);
    if (opt.jpegGrayscale) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    if (opt.jpegProgressive) jpeg_simple_progression(&c);
    jpeg_set_quality(&c, opt.jpegQuality, TRUE);
    jpeg_stdio_dest(&c, f);
    jpeg_start_compress(&c, TRUE);
    WriteMetadata(c, opt);
    while (c.next_scanline < c.image_height) {
        const uint8_t* src = img.topRow(int(c.next_scanline));
        // The library only reads its input rows.
        JSAMPROW row = palette ? palette->Expand(src, img.width()) : const_cast<JSAMPROW>(src);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
}

}  // namespace

bool SaveJpeg(const std::string& path, const Image& img, const SaveOptions& opt, Status& st) {
    if (!img || (img.bitCount() != 8 && img.bitCount() != 24)) {
        st.error = Format(Msg(MsgId::JpegCantWriteDepth), img ? img.bitCount() : 0);
        return false;
    }
    PaletteRows palette(img);
    OutputFile out;
    if (!out.open(path)) {
        st.error = Format(Msg(MsgId::CantCreateNamed), path.c_str());
        return false;
    }
    Encoder e;
    InitError(e.err);
    e.cinfo.err = &e.err.mgr;
    if (!Guarded(e.err, [&] { Compress(e.cinfo, img, opt, out.stream(), img.bitCount() == 8 ? &palette : nullptr); })) {
        st.error = e.err.text;
        return false;
    }
    if (!out.commit()) {
        st.error = Msg(MsgId::CantWriteFile);
        return false;
    }
    return true;
}

Image JpegSaveCopy(const Image& img, const SaveOptions&, std::string&) {
    if (img.bitCount() == 1) return Expand1To8(img);
    if (img.bitCount() == 4) return Expand4To8(img);
    return Image();
}

namespace {

struct Transcoder {
    JpegError err{};  // one error manager serves both sides
    jpeg_decompress_struct src{};
    jpeg_compress_struct dst{};
    ~Transcoder() {
        jpeg_destroy_compress(&dst);
        jpeg_destroy_decompress(&src);
    }
};

bool SwapsSides(int transform) {
    return transform == JXFORM_TRANSPOSE || transform == JXFORM_TRANSVERSE || transform == JXFORM_ROT_90 ||
           transform == JXFORM_ROT_270;
}

}  // namespace

JpegTurnResult SaveJpegTurnedBlocks(const uint8_t* data, size_t size, int width, int height, int transform,
                                    const SaveOptions& opt, const std::string& path, Status& st) {
    Transcoder t;
    InitError(t.err);
    t.src.err = &t.err.mgr;
    t.dst.err = &t.err.mgr;
    jpeg_decompress_struct& src = t.src;
    jpeg_compress_struct& dst = t.dst;
    bool like = false;
    if (!Guarded(t.err, [&] {
            jpeg_create_decompress(&src);
            jpeg_create_compress(&dst);
            src.mem->max_memory_to_use = long(std::min<int64_t>(kMaxImageBytes, 0x7FFFFFFF));
            jpeg_mem_src(&src, data, static_cast<unsigned long>(size));
            jpeg_read_header(&src, TRUE);
            like = (width <= 0 || int(src.image_width) == width) && (height <= 0 || int(src.image_height) == height) &&
                   bool(src.progressive_mode) == opt.jpegProgressive &&
                   (src.jpeg_color_space == JCS_GRAYSCALE) == opt.jpegGrayscale;
        })) {
        st.error = t.err.text;
        return JpegTurnResult::Failed;
    }
    if (!like) return JpegTurnResult::Unlike;
    // The library holds every coefficient of the file at once: a header
    // claiming more blocks than the data could code is refused before that.
    const int bits = src.num_components == 1 ? 8 : 24;
    if (!ClaimFitsIn(ReadLimits{}, size, src.image_width, src.image_height, bits, bits == 8 ? 256 : 0,
                     uint64_t(src.image_width) * uint64_t(src.num_components), kExpandJpeg, st))
        return JpegTurnResult::Failed;
    jpeg_transform_info info{};
    info.transform = JXFORM_CODE(transform);
    info.perfect = TRUE;  // never trimmed: the picture keeps every pixel
    bool whole = false;
    if (!Guarded(t.err, [&] { whole = jtransform_request_workspace(&src, &info); })) {
        st.error = t.err.text;
        return JpegTurnResult::Failed;
    }
    if (!whole) return JpegTurnResult::EdgeBlocks;
    OutputFile out;
    if (!out.open(path)) {
        st.error = Format(Msg(MsgId::CantCreateNamed), path.c_str());
        return JpegTurnResult::Failed;
    }
    // Moved blocks stand upright on screen; unmoved ones stand as the tag says.
    SaveOptions marks = opt;
    marks.resetOrientation = transform != JXFORM_NONE;
    const bool written = Guarded(t.err, [&] {
        jvirt_barray_ptr* blocks = jpeg_read_coefficients(&src);
        jpeg_copy_critical_parameters(&src, &dst);
        jvirt_barray_ptr* turned = jtransform_adjust_parameters(&src, &dst, blocks, &info);
        if (SwapsSides(transform)) std::swap(dst.X_density, dst.Y_density);
        dst.optimize_coding = TRUE;
        if (opt.jpegProgressive) jpeg_simple_progression(&dst);
        jpeg_stdio_dest(&dst, out.stream());
        jpeg_write_coefficients(&dst, turned);
        WriteMetadata(dst, marks);
        jtransform_execute_transform(&src, &dst, blocks, &info);
        jpeg_finish_compress(&dst);
        jpeg_finish_decompress(&src);
    });
    if (!written) {
        st.error = t.err.text;
        return JpegTurnResult::Failed;
    }
    if (!out.commit()) {
        st.error = Msg(MsgId::CantWriteFile);
        return JpegTurnResult::Failed;
    }
    return JpegTurnResult::Saved;
}

}  // namespace lg
