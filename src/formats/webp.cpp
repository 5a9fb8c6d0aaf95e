#include "formats/webp.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/convert.h"
#include "core/messages.h"
#include "formats/animation.h"
#include "platform/outfile.h"

namespace lg {
namespace {

// The whole file in memory, as libwebp wants it; false (and the error text)
// when it cannot be had.
bool ReadAll(ByteSource& in, std::vector<uint8_t>& data, Status& st) {
    if (in.size() > kMaxWholeFileBytes) {
        st.error = Msg(MsgId::CantAllocate);
        return false;
    }
    try {
        data.resize(size_t(in.size()));
    } catch (const std::bad_alloc&) {
        st.error = Msg(MsgId::CantAllocate);
        return false;
    }
    in.rewind();
    if (!in.readExact(data.data(), data.size())) {
        st.error = Msg(MsgId::WebpNotValid);
        return false;
    }
    return true;
}

// A RIFF size that claims more than the file holds: the file was cut short.
bool CutShort(const std::vector<uint8_t>& data) {
    return data.size() >= 12 && uint64_t(GetLE32(data.data() + 4)) + 8 > data.size();
}

// The error text for what libwebp answered.
std::string TextFor(VP8StatusCode code, const std::vector<uint8_t>& data) {
    switch (code) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return Msg(MsgId::CantAllocate);
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return Msg(MsgId::WebpTruncated);
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return Msg(MsgId::WebpUnsupported);
    default:
        return Msg(CutShort(data) ? MsgId::WebpTruncated : MsgId::WebpNotValid);
    }
}

std::string InfoFor(const WebPBitstreamFeatures& f) {
    const char* kind = f.format == 2 ? "Lossless" : f.format == 1 ? "Lossy" : "Lossy/Lossless";
    return Format("WebP - %s%s", kind, f.has_alpha ? Msg(MsgId::WebpWithAlpha) : "");
}

// Copies a canvas of libwebp's animation decoder (BGRA, top row first) into
// a 24-bit picture; the alpha byte is dropped.
void CopyCanvas(const uint8_t* bgra, Image& out) {
    const int w = out.width();
    for (int y = 0; y < out.height(); ++y) {
        const uint8_t* s = bgra + size_t(y) * size_t(w) * 4;
        uint8_t* d = out.topRow(y);
        for (int x = 0; x < w; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

// libwebp's demuxer and animation decoder over one file held in memory.
struct AnimReader {
    WebPDemuxer* demux = nullptr;
    WebPAnimDecoder* dec = nullptr;
    int width = 0, height = 0, frames = 0;
    ~AnimReader() {
        if (dec) WebPAnimDecoderDelete(dec);
        if (demux) WebPDemuxDelete(demux);
    }

    // Checks the container and its bounds; nothing of canvas size is
    // allocated yet.
    bool scan(const std::vector<uint8_t>& data, const ReadLimits& limits, Status& st) {
        WebPData bytes{data.data(), data.size()};
        demux = WebPDemux(&bytes);  // also refuses frames outside the canvas
        if (!demux) {
            st.error = Msg(CutShort(data) ? MsgId::WebpTruncated : MsgId::WebpNotValid);
            return false;
        }
        width = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH));
        height = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
        frames = int(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT));
        if (frames < 1) {
            st.error = Msg(MsgId::WebpNotValid);
            return false;
        }
        if (int64_t(width) * height > limits.maxCanvasPixels || frames > limits.maxFrames) {
            st.error = Msg(MsgId::WebpTooBig);
            return false;
        }
        // The caller's limits on one picture's sides and block hold for the canvas too.
        return ClaimFitsIn(limits, UINT64_MAX, width, height, 24, 0, 0, kExpandRaw, st);
    }

    // The decoder over the scanned file, with its canvases.
    bool start(const std::vector<uint8_t>& data, Status& st) {
        WebPData bytes{data.data(), data.size()};
        WebPAnimDecoderOptions opt;
        if (!WebPAnimDecoderOptionsInit(&opt)) return false;
        opt.color_mode = MODE_BGRA;
        opt.use_threads = 0;
        dec = WebPAnimDecoderNew(&bytes, &opt);
        if (!dec) {
            st.error = Msg(MsgId::CantAllocate);
            return false;
        }
        return true;
    }

    // The canvas after the next frame, as a 24-bit picture; `timestampMs`
    // gets the frame's end time.
    Image next(int& timestampMs, Status& st) {
        uint8_t* canvas = nullptr;
        if (!WebPAnimDecoderGetNext(dec, &canvas, &timestampMs)) {
            st.error = Msg(MsgId::WebpNotValid);
            return Image();
        }
        std::string why;
        Image out = Image::Create(width, height, 24, 0, &why);
        if (!out) {
            st.error = why.empty() ? Msg(MsgId::CantAllocate) : why;
            return out;
        }
        CopyCanvas(canvas, out);
        return out;
    }
};

// The most pixel bytes one byte of a lossy frame can give: every 16x16 block
// (768 bytes at 24 bits) costs at least its two modes' bits, about one bit
// with the fixed key-frame probabilities. A lossless frame has no such bound
// (a single-colour picture takes no bits per pixel), so only the limits hold.
constexpr uint64_t kLossyExpansion = 768 * 8 * 2;

Image DecodeStill(const std::vector<uint8_t>& data, const WebPBitstreamFeatures& f, const ReadLimits& limits,
                  Status& st) {
    const uint64_t expansion = f.format == 1 ? kLossyExpansion : UINT64_MAX;
    if (!ClaimFitsIn(limits, data.size(), f.width, f.height, 24, 0, uint64_t(f.width) * 3, expansion, st))
        return Image();
    std::string why;
    Image img = Image::Create(f.width, f.height, 24, 0, &why);
    if (!img) {
        st.error = why.empty() ? Msg(MsgId::CantAllocate) : why;
        return img;
    }
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Image();
    // Straight into the picture's bottom-up rows: libwebp writes the top row last.
    config.options.flip = 1;
    config.options.use_threads = 0;
    config.output.colorspace = MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = img.pixels();
    config.output.u.RGBA.stride = int(img.stride());
    config.output.u.RGBA.size = img.pixelBytes();
    const VP8StatusCode code = WebPDecode(data.data(), data.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (code != VP8_STATUS_OK) {
        st.error = TextFor(code, data);
        return Image();
    }
    return img;
}

}  // namespace

namespace {

// A file held in memory as a picture; with `playFrames` an animation of
// more than one frame gives no picture but the facts that start playback.
Image ReadWebpData(const std::vector<uint8_t>& data, const ReadLimits& limits, bool playFrames, Status& st,
                   PictureFacts* facts) {
    WebPBitstreamFeatures f;
    const VP8StatusCode code = WebPGetFeatures(data.data(), data.size(), &f);
    if (code != VP8_STATUS_OK) {
        st.error = TextFor(code, data);
        return Image();
    }
    if (!f.has_animation) {
        Image img = DecodeStill(data, f, limits, st);
        if (img) st.info = InfoFor(f);
        return img;
    }
    AnimReader anim;
    if (!anim.scan(data, limits, st)) return Image();
    st.info = Format("%s - %d %s", Msg(MsgId::AnimatedWebp), anim.frames, Msg(MsgId::Images));
    if (playFrames && facts && anim.frames > 1) {
        facts->frameCount = anim.frames;
        facts->startAnimation = true;
        return Image();
    }
    if (!anim.start(data, st)) return Image();
    int timestamp = 0;
    return anim.next(timestamp, st);
}

}  // namespace

Image ReadWebpFrom(ByteSource& in, Status& st) {
    st.error = Msg(MsgId::WebpNotValid);
    std::vector<uint8_t> data;
    if (!ReadAll(in, data, st)) return Image();
    return ReadWebpData(data, in.limits(), false, st, nullptr);
}

Image LoadWebp(ByteSource& in, const std::string&, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    st.error = Msg(MsgId::WebpNotValid);
    std::vector<uint8_t> data;
    if (!ReadAll(in, data, st)) return Image();
    return ReadWebpData(data, in.limits(), opt.multiImage && !opt.quiet, st, &facts);
}

bool LoadWebpFrames(const std::string& path, Animation& anim, Status& st) {
    ReleaseAnimation(anim);
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Msg(MsgId::CantOpenForReading);
        return false;
    }
    return LoadWebpFramesFrom(in, anim, st);
}

bool LoadWebpFramesFrom(ByteSource& in, Animation& anim, Status& st) {
    ReleaseAnimation(anim);
    std::vector<uint8_t> data;
    if (!ReadAll(in, data, st)) return false;
    AnimReader r;
    if (!r.scan(data, in.limits(), st)) return false;
    // Every frame is a whole 24-bit canvas: the bound on all frames together
    // (in bytes, as for 8-bit GIF frames) is known before any is decoded.
    if (int64_t(r.width) * r.height * r.frames * 3 > in.limits().maxFramePixels) {
        st.error = Msg(MsgId::WebpTooBig);
        return false;
    }
    if (!r.start(data, st)) return false;
    anim.canvasWidth = r.width;
    anim.canvasHeight = r.height;
    anim.cursorDelays = false;
    int before = 0;
    for (int i = 0; i < r.frames; ++i) {
        int timestamp = 0;
        Image canvas = r.next(timestamp, st);
        if (!canvas) {
            ReleaseAnimation(anim);
            return false;
        }
        AnimationFrame f;
        f.image = std::move(canvas);
        f.disposal = 1;  // the next canvas covers this one whole
        // Milliseconds to hundredths, rounded.
        f.delay = uint32_t((std::max(timestamp - before, 0) + 5) / 10);
        before = timestamp;
        anim.frames.push_back(std::move(f));
    }
    return true;
}

Image WebpSaveCopy(const Image& img, const SaveOptions&, std::string& failure) {
    if (img.bitCount() == 24) return Image();
    Image wide = ExpandTo24(img.Duplicate());
    if (!wide) failure = Msg(MsgId::CantAllocate);
    return wide;
}

bool SaveWebp(const std::string& path, const Image& img, const SaveOptions& opt, Status& st) {
    if (!img || img.bitCount() != 24) return false;
    if (img.width() > WEBP_MAX_DIMENSION || img.height() > WEBP_MAX_DIMENSION) {
        st.error = Msg(MsgId::WebpTooWide);
        return false;
    }
    WebPConfig config;
    if (!WebPConfigInit(&config)) return false;
    config.quality = float(std::clamp(opt.webpQuality, 0, 100));
    config.lossless = opt.webpLossless ? 1 : 0;
    config.thread_level = 0;
    if (opt.webpLossless) config.exact = 1;  // every pixel as it is

    WebPPicture pic;
    if (!WebPPictureInit(&pic)) return false;
    pic.use_argb = opt.webpLossless ? 1 : 0;
    pic.width = img.width();
    pic.height = img.height();
    // The rows from the top: the last stored row first, through a negative stride.
    const int stride = int(img.stride());
    const uint8_t* top = img.topRow(0);
    if (!WebPPictureImportBGR(&pic, top, -stride)) {
        WebPPictureFree(&pic);
        st.error = Msg(MsgId::CantAllocate);
        return false;
    }
    WebPMemoryWriter mem;
    WebPMemoryWriterInit(&mem);
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &mem;
    const bool encoded = WebPEncode(&config, &pic) != 0;
    WebPPictureFree(&pic);
    bool ok = encoded;
    if (ok) {
        OutputFile file;
        ok = file.open(path) && file.write(mem.mem, mem.size) && file.commit();
    }
    WebPMemoryWriterClear(&mem);
    return ok;
}

}  // namespace lg
