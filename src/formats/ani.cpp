#include "formats/ani.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/convert.h"
#include "core/messages.h"
#include "formats/icon.h"

namespace lg {
namespace {

struct Chunk {
    char id[5] = {};
    uint32_t size = 0;
    uint64_t data = 0;  // where its data starts
    uint64_t end() const { return data + size + (size & 1); }
};

bool ReadChunk(ByteSource& in, Chunk& c) {
    uint8_t h[8];
    if (!in.readExact(h, 8)) return false;
    std::memcpy(c.id, h, 4);
    c.size = GetLE32(h + 4);
    c.data = in.tell();
    return true;
}

bool Is(const Chunk& c, const char* id) { return std::memcmp(c.id, id, 4) == 0; }

bool IsAcon(ByteSource& in) {
    uint8_t h[12];
    return in.seek(0) && in.readExact(h, 12) && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "ACON", 4) == 0;
}

struct AniHeader {
    uint32_t frames = 0, steps = 0, rate = 0, flags = 0;
};

bool ReadAnih(ByteSource& in, const Chunk& c, AniHeader& h) {
    uint8_t b[36];
    if (c.size < 36 || !in.readExact(b, 36)) return false;
    h.frames = GetLE32(b + 4);
    h.steps = GetLE32(b + 8);
    h.rate = GetLE32(b + 28);
    h.flags = GetLE32(b + 32);
    return (h.flags & 1) && h.frames != 0;
}

// Fills a rate or sequence table from its chunk; false when the chunk is cut short.
bool ReadTable(ByteSource& in, const Chunk& c, std::vector<uint32_t>& table) {
    if (c.size > in.remaining()) return false;
    const size_t n = std::min<size_t>(table.size(), c.size / 4);
    for (size_t j = 0; j < n; ++j) table[j] = in.le32();
    return !in.failed();
}

// The picture of one "icon" chunk: the last image of its directory, which
// must lie inside the chunk.
Image IconChunkPicture(ByteSource& in, const Chunk& c) {
    std::vector<uint8_t> bytes(size_t(std::min<uint64_t>(c.size, in.remaining())));
    if (!in.readExact(bytes.data(), bytes.size())) return Image();
    ByteSource icon = ByteSource::FromMemory(bytes.data(), bytes.size());
    IconSet set;
    Status ignored;
    if (!ReadIconSet(icon, set, ignored)) return Image();
    Image img = IconToPicture(set.images.back(), ignored, in.limits());
    if (img) img = WidenToWorkingDepth(std::move(img));
    return img;
}

}  // namespace

Image ReadAnimatedCursor(ByteSource& in, Animation* anim, Status& st) {
    st.error = Msg(MsgId::AniNotValid);
    if (!IsAcon(in)) return Image();
    std::vector<uint32_t> rate, seq;
    Image first;
    int64_t budget = in.limits().maxFramePixels;
    bool stop = false;
    Chunk c;
    while (!stop && ReadChunk(in, c)) {
        if (Is(c, "anih")) {
            AniHeader h;
            if (!ReadAnih(in, c, h)) break;
            const size_t steps = std::min<size_t>(h.steps, size_t(std::max(0, in.limits().maxFrames)));
            rate.assign(steps, h.rate);
            seq.resize(steps);
            for (size_t j = 0; j < steps; ++j) seq[j] = uint32_t(j);
            if (anim) {
                anim->frames.clear();
                anim->frames.resize(steps);
            }
        } else if (Is(c, "rate")) {
            if (!ReadTable(in, c, rate)) break;
        } else if (Is(c, "seq ")) {
            if (!ReadTable(in, c, seq)) break;
        } else if (Is(c, "LIST") && c.size >= 4) {
            char type[4];
            if (!in.readExact(type, 4)) break;
            if (std::memcmp(type, "fram", 4) == 0) {
                const uint64_t listEnd = std::min<uint64_t>(c.data + c.size, in.size());
                uint32_t number = 0;
                Chunk icon;
                while (in.tell() < listEnd && ReadChunk(in, icon)) {
                    if (!Is(icon, "icon")) {
                        if (!in.seek(icon.end())) break;
                        continue;
                    }
                    Image pic = IconChunkPicture(in, icon);
                    if (number == 0) {
                        first = pic ? pic.Duplicate() : Image();
                        if (!anim) {
                            stop = true;
                            break;
                        }
                    }
                    if (anim && pic) {
                        for (size_t j = 0; j < seq.size(); ++j) {
                            if (seq[j] != number) continue;
                            const int64_t pixels = int64_t(pic.width()) * pic.height();
                            if (pixels > budget) continue;  // beyond the bound: shown as nothing
                            budget -= pixels;
                            anim->frames[j].image = pic.Duplicate();
                        }
                    }
                    ++number;
                    if (!in.seek(icon.end())) break;
                }
            }
        }
        if (!stop && !in.seek(c.end())) break;
    }
    if (anim) {
        anim->frames.resize(seq.size());
        for (size_t j = 0; j < seq.size(); ++j) {
            AnimationFrame& f = anim->frames[j];
            f.left = f.top = 0;
            f.delay = rate[j];
            f.disposal = 3;
            f.transparent = false;
        }
    }
    return first;
}

int CountAniSteps(ByteSource& in) {
    if (!IsAcon(in)) return 0;
    Chunk c;
    while (ReadChunk(in, c)) {
        if (Is(c, "anih")) {
            AniHeader h;
            return ReadAnih(in, c, h) ? int(std::min<uint32_t>(h.steps, 0x7FFFFFFF)) : 0;
        }
        if (!in.seek(c.end())) break;
    }
    return 0;
}

bool LoadAniFrames(const std::string& path, Animation& anim, Status& st) {
    ReleaseAnimation(anim);
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Msg(MsgId::AniNotValid);
        return false;
    }
    Image first = ReadAnimatedCursor(in, &anim, st);
    const Image* size = anim.frames.empty() || !anim.frames[0].image ? &first : &anim.frames[0].image;
    if (!*size || anim.frames.empty()) {
        ReleaseAnimation(anim);
        st.error = Msg(MsgId::AniNotValid);
        return false;
    }
    anim.cursorDelays = true;
    anim.canvasWidth = size->width();
    anim.canvasHeight = size->height();
    return true;
}

Image LoadAni(ByteSource& in, const std::string&, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    st.error = Msg(MsgId::AniNotValid);
    if (opt.multiImage && !opt.quiet) {
        const int steps = CountAniSteps(in);
        if (steps > 1) {
            facts.frameCount = std::min(steps, kMaxFrames);
            facts.startAnimation = true;
            return Image();
        }
    }
    return ReadAnimatedCursor(in, nullptr, st);
}

}  // namespace lg
