// Neighbourhood filters and effects on 24-bit pixels, run by one dispatcher
// on a rectangle of the picture: every effect reads the unchanged pixels and
// writes its results, so pixels outside the rectangle stay as they were
// (fine rotation may paint beyond it). Also the parameter rules of the
// setup dialog and the command flow for palette pictures.
#pragma once

#include <cstdint>

#include "core/image.h"
#include "ops/geometry.h"

namespace lg {

enum EffectCode {
    kEffectBlur = 1,
    kEffectEmboss = 2,
    kEffectOilPaint = 3,
    kEffectEdges = 4,
    kEffectMedian = 5,
    kEffectExplode = 6,
    kEffectPixelize = 7,
    kEffectSharpen = 8,
    kEffectFineRotate = 9,
};

// Runs effect `code` on the rectangle (clamped to the picture) of a 24-bit
// picture with the parameters p1 and p2 of the effect. False, with the
// picture unchanged, for another depth, an unknown code, an empty rectangle
// or no memory for the work areas. Window sizes beyond the dialog's limits
// are limited to them (oil paint and median 9, sharpen 0..99); a pixelize
// block of 0 or less is 1.
bool ApplyEffect(Image& img, int code, const Rect& r, int p1, int p2);

// The explosion with a chosen seed (ApplyEffect seeds from the clock).
bool Explode(Image& img, const Rect& r, int reachX, int reachY, uint64_t seed);

// The grey value emboss and edge detection use.
inline int EffectGrey(int blue, int green, int red) { return (11 * blue + 16 * green + 5 * red) >> 5; }

// The effect command on a picture of any working depth: 1, 4 and 8 bits are
// expanded to 24 first and reduced back to 256 colours (8 bits) after. The
// picture is replaced only by what succeeded: the expanded and changed
// picture when the reduction fails, nothing when the effect fails.
bool ApplyEffectToPicture(Image& pic, int code, const Rect& r, int p1, int p2);

// --- settings and the setup dialog -------------------------------------------

// The values of section Effects.
struct EffectSettings {
    int sharpen = 50;
    int blur = 3;
    int oilPaint = 3;
    int median = 3;
    int explodeX = 3, explodeY = 3;
    int pixelizeX = 5, pixelizeY = 5;
    int fineRotateDegrees = 45;
    bool fineRotateMinus = false;
    bool fineRotateClear = false;
};

// The dispatcher's parameters of an effect code.
struct EffectArgs {
    int p1 = 0, p2 = 0;
};
EffectArgs EffectArguments(int code, const EffectSettings& s);

// The setup dialog shows every value as stored, except the rotation field,
// which is signed.
int FineRotateField(const EffectSettings& s);
// What OK stores: the typed values (the rotation as `rotationField`) after
// the adjustments of each field. "Set default values" shows EffectSettings().
EffectSettings AcceptEffectFields(EffectSettings typed, int rotationField);

// Sharpen: 1..99. Blur: odd, 3..33. Oil paint and median: odd, 3..9.
int AcceptSharpen(int v);
int AcceptOddWindow(int v, int lo, int hi);

}  // namespace lg
