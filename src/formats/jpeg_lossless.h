// Quarter turns and flips of a JPEG photo saved without loss: the file's own
// DCT blocks are moved (libjpeg-turbo's transupp) instead of decoding and
// encoding the pixels again. What decides it: the picture on screen must be
// the file's decode turned and flipped, and nothing else, the file must be
// the one that was loaded, and the save must ask for a JPEG like it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/image.h"
#include "formats/codec.h"

namespace lg {

// Where quarter turns and flips have taken a picture's pixels: a pixel at
// (x, y), counted from the centre with y downwards, is now at
// (xx*x + xy*y, yx*x + yy*y). Eight values; the identity is "not turned".
struct Turns {
    int xx = 1, xy = 0, yx = 0, yy = 1;
};
enum class TurnStep { Right, Left, FlipHorizontal, FlipVertical };

bool operator==(const Turns& a, const Turns& b);
inline bool IsUnturned(const Turns& t) { return t == Turns(); }
// `t` followed by `step`, and `first` followed by `second`.
Turns Then(const Turns& t, TurnStep step);
Turns Then(const Turns& first, const Turns& second);
// What ApplyOrientation does for an Exif orientation value (none outside 2..8).
Turns TurnsOfOrientation(int value);
// The turns that undo `t`.
Turns Inverse(const Turns& t);

// A picture's pixels and colours summed up in 64 bits: equal pictures give
// equal values, and any change of a pixel almost surely another.
uint64_t PictureFingerprint(const Image& img);

// The pictures the viewer has shown since a JPEG load that are the loaded
// one turned and flipped, known by their fingerprints. Every other edit
// changes the fingerprint, so a picture found here is exactly such a turn,
// however it was reached (an undo back to it included).
struct TurnHistory {
    struct State {
        uint64_t fingerprint;
        Turns turns;         // from the loaded picture
        bool byTurning;      // a turn or flip command made it (not the load itself)
    };
    std::vector<State> states;  // newest last; empty: the picture did not come from a JPEG file
    Turns fromFile;             // from the picture stored in facts.jpegOrigin's file to the loaded one
};

// Starts the history at a picture loaded from a JPEG file (whole decode),
// or empties it for any other picture. The picture's fingerprint is taken
// unless the load took it already (a decode ahead does, on its worker), and
// kept in facts.jpegOrigin.
void StartTurnHistory(TurnHistory& h, const Image& shown, PictureFacts& facts);
// Whether StartTurnHistory needs the fingerprint of a picture with these facts.
bool StartsTurnHistory(const PictureFacts& facts);
// Records the picture a turn or flip made from the one whose fingerprint was
// `before`; nothing when that one was not a state of the history.
void NoteTurn(TurnHistory& h, uint64_t before, TurnStep step, const Image& after);
// The state `img` is, newest first; null when it is none.
const TurnHistory::State* FindTurnState(const TurnHistory& h, const Image& img);
// After `state` was saved to `outName` by SaveJpegTurned: that file is now
// the origin (its stored picture is the state's), so later turns are taken
// from it and not from the loaded file, which the save may have replaced.
void NoteTurnedSave(TurnHistory& h, const TurnHistory::State& state, JpegOrigin& origin, const std::string& outName,
                    int width, int height);

// Fills facts.jpegOrigin's path and file stamp for a picture read from
// `file` (stamp taken before the read, so a file replaced meanwhile never
// matches later).
void NoteJpegFile(PictureFacts& facts, const std::string& file, int64_t size, uint64_t writeTime);

enum class LosslessSave {
    Saved,       // written from the file's blocks
    EdgeBlocks,  // the size is no whole number of blocks for this turn: encode the pixels
    NotSuitable  // not this way (other type or options, file changed, unreadable...): encode the pixels
};

// Writes `outName` as the file `origin` turned by `turns` (counted from the
// picture as stored in the file: Then(h.fromFile, state.turns)), with the Exif block and ICC
// profile of opt.exif and opt.icc and the orientation set to 1 when the
// blocks were moved. Only when the output is a JPEG and opt's greyscale and
// progressive choices are those of the file. Never leaves a partial file;
// an existing file is replaced only by a complete one.
LosslessSave SaveJpegTurned(const JpegOrigin& origin, const Turns& turns, const std::string& outName,
                            const SaveOptions& opt);

}  // namespace lg
