#include "formats/jpeg_lossless.h"

#include <cstring>
#include <vector>

#include <jpeglib.h>
extern "C" {  // a C header without its own guard
#include <transupp.h>
}

#include "core/bytes.h"
#include "formats/format_table.h"
#include "formats/jpeg.h"
#include "formats/save.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/threads.h"

namespace lg {

bool operator==(const Turns& a, const Turns& b) {
    return a.xx == b.xx && a.xy == b.xy && a.yx == b.yx && a.yy == b.yy;
}

Turns Then(const Turns& first, const Turns& second) {
    // The matrix product second * first.
    Turns r;
    r.xx = second.xx * first.xx + second.xy * first.yx;
    r.xy = second.xx * first.xy + second.xy * first.yy;
    r.yx = second.yx * first.xx + second.yy * first.yx;
    r.yy = second.yx * first.xy + second.yy * first.yy;
    return r;
}

Turns Then(const Turns& t, TurnStep step) {
    Turns s;
    switch (step) {
    case TurnStep::Right: s = {0, -1, 1, 0}; break;  // the top goes to the right
    case TurnStep::Left: s = {0, 1, -1, 0}; break;
    case TurnStep::FlipHorizontal: s = {-1, 0, 0, 1}; break;
    case TurnStep::FlipVertical: s = {1, 0, 0, -1}; break;
    }
    return Then(t, s);
}

Turns TurnsOfOrientation(int value) {
    const Turns none;
    switch (value) {
    case 2: return Then(none, TurnStep::FlipHorizontal);
    case 3: return Then(Then(none, TurnStep::FlipHorizontal), TurnStep::FlipVertical);
    case 4: return Then(none, TurnStep::FlipVertical);
    case 5: return Then(Then(none, TurnStep::Right), TurnStep::FlipHorizontal);
    case 6: return Then(none, TurnStep::Right);
    case 7: return Then(Then(none, TurnStep::Right), TurnStep::FlipVertical);
    case 8: return Then(none, TurnStep::Left);
    default: return none;
    }
}

Turns Inverse(const Turns& t) { return {t.xx, t.yx, t.xy, t.yy}; }  // a turn's matrix is orthogonal

namespace {

uint64_t Mix(uint64_t h, uint64_t word) {
    h ^= word;
    h *= 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 31);
}

uint64_t MixBytes(uint64_t h, const uint8_t* p, size_t n) {
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = Mix(h, w);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    return Mix(h, tail ^ (uint64_t(n) << 56));
}

// libjpeg-turbo's operator for the turns from the file's picture.
JXFORM_CODE TransformOf(const Turns& t) {
    struct Row {
        Turns turns;
        JXFORM_CODE code;
    };
    static const Row rows[] = {
        {{1, 0, 0, 1}, JXFORM_NONE},       {{-1, 0, 0, 1}, JXFORM_FLIP_H},   {{1, 0, 0, -1}, JXFORM_FLIP_V},
        {{-1, 0, 0, -1}, JXFORM_ROT_180},  {{0, -1, 1, 0}, JXFORM_ROT_90},   {{0, 1, -1, 0}, JXFORM_ROT_270},
        {{0, 1, 1, 0}, JXFORM_TRANSPOSE},  {{0, -1, -1, 0}, JXFORM_TRANSVERSE},
    };
    for (const Row& r : rows)
        if (r.turns == t) return r.code;
    return JXFORM_NONE;  // not reached: the eight are all there are
}

// The current directory may change before the save (the directory walk).
std::string AbsolutePath(const std::string& file) {
    const char first = file.empty() ? 0 : file[0];
    const bool absolute = first == '/' || first == '\\' || (file.size() > 1 && file[1] == ':');
    return absolute ? file : platform::JoinPath(platform::CurrentDirectory(), file);
}

}  // namespace

// A row's bytes in four independent chains, so that the multiplications
// overlap instead of waiting for each other.
uint64_t RowFingerprint(const uint8_t* p, size_t n) {
    uint64_t lane[4] = {1, 2, 3, 4};
    for (; n >= 32; n -= 32, p += 32) {
        uint64_t w[4];
        std::memcpy(w, p, 32);
        for (int i = 0; i < 4; ++i) lane[i] = Mix(lane[i], w[i]);
    }
    return MixBytes(Mix(Mix(Mix(lane[0], lane[1]), lane[2]), lane[3]), p, n);
}

// Paid at every JPEG load in the viewer and at every turn: rows are taken
// in bands on every processor (the result does not depend on their number).
uint64_t PictureFingerprint(const Image& img) {
    if (!img) return 0;
    uint64_t h = Mix(Mix(0x6C756D61ull, uint64_t(img.width()) << 32 | uint32_t(img.height())), uint64_t(img.bitCount()));
    h = MixBytes(h, img.palette(), img.paletteBytes());
    const size_t bytes = (size_t(img.width()) * size_t(img.bitCount()) + 7) / 8;
    std::vector<uint64_t> rows(size_t(img.height()));
    platform::ForEachBand(img.height(), int64_t(bytes / 8) + 1, [&](int first, int end) {
        for (int y = first; y < end; ++y) rows[size_t(y)] = RowFingerprint(img.row(y), bytes);
    });
    for (uint64_t r : rows) h = Mix(h, r);
    return h;
}

bool StartsTurnHistory(const PictureFacts& facts) {
    return facts.jpegOrigin.wholeDecode && !facts.jpegOrigin.path.empty();
}

void StartTurnHistory(TurnHistory& h, const Image& shown, PictureFacts& facts) {
    h.states.clear();
    h.fromFile = TurnsOfOrientation(facts.orientationApplied);
    if (!shown || !StartsTurnHistory(facts)) return;
    uint64_t& f = facts.jpegOrigin.fingerprint;
    if (!f) f = PictureFingerprint(shown);
    h.states.push_back({f, Turns(), false});
}

void NoteTurn(TurnHistory& h, uint64_t before, TurnStep step, const Image& after) {
    if (h.states.empty()) return;
    TurnHistory::State from{};
    bool known = false;
    for (auto it = h.states.rbegin(); it != h.states.rend() && !known; ++it)
        if (it->fingerprint == before) {
            from = *it;
            known = true;
        }
    if (!known) return;
    const TurnHistory::State next{PictureFingerprint(after), Then(from.turns, step), true};
    // One entry per picture, the newest way to it: at most eight remain.
    for (size_t i = h.states.size(); i-- > 0;)
        if (h.states[i].fingerprint == next.fingerprint) h.states.erase(h.states.begin() + long(i));
    h.states.push_back(next);
}

const TurnHistory::State* FindTurnState(const TurnHistory& h, const Image& img) {
    if (h.states.empty() || !img) return nullptr;
    const uint64_t f = PictureFingerprint(img);
    for (auto it = h.states.rbegin(); it != h.states.rend(); ++it)
        if (it->fingerprint == f) return &*it;
    return nullptr;
}

void NoteTurnedSave(TurnHistory& h, const TurnHistory::State& state, JpegOrigin& origin, const std::string& outName,
                    int width, int height) {
    h.fromFile = Inverse(state.turns);
    origin.path = AbsolutePath(outName);
    if (!platform::FileStampOf(origin.path, origin.size, origin.writeTime)) origin.path.clear();
    origin.width = width;
    origin.height = height;
}

void NoteJpegFile(PictureFacts& facts, const std::string& file, int64_t size, uint64_t writeTime) {
    JpegOrigin& o = facts.jpegOrigin;
    if (!o.wholeDecode) return;
    o.path = AbsolutePath(file);
    o.size = size;
    o.writeTime = writeTime;
}

LosslessSave SaveJpegTurned(const JpegOrigin& origin, const Turns& turns, const std::string& outName,
                            const SaveOptions& opt) {
    const SaveType* type = SaveTypeOfName(outName);
    if (!type || type->write != SaveJpeg || !origin.wholeDecode || origin.path.empty()) return LosslessSave::NotSuitable;
    // The very file that was loaded, unchanged since: else the pixels are encoded.
    int64_t size = -1;
    uint64_t time = 0;
    if (!platform::FileStampOf(origin.path, size, time) || size != origin.size || time != origin.writeTime)
        return LosslessSave::NotSuitable;
    std::string data;
    if (!ReadWholeFile(origin.path, data) || int64_t(data.size()) != origin.size) return LosslessSave::NotSuitable;
    const JXFORM_CODE code = TransformOf(turns);
    Status st;
    switch (SaveJpegTurnedBlocks(reinterpret_cast<const uint8_t*>(data.data()), data.size(), origin.width,
                                 origin.height, code, opt, outName, st)) {
    case JpegTurnResult::Saved: return LosslessSave::Saved;
    case JpegTurnResult::EdgeBlocks: return LosslessSave::EdgeBlocks;
    default: return LosslessSave::NotSuitable;
    }
}

}  // namespace lg
