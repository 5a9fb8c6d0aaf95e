// Colour-depth reduction. By default a two-pass median-cut quantizer: the
// first pass counts colours in a 5-6-5 bit histogram and cuts that space into
// boxes, one palette entry each; the second maps the pixels with serpentine
// Floyd-Steinberg dithering through an inverse colour map filled lazily in the
// same histogram array. The better reduction (quantize_fine.cpp) chooses the
// palette more carefully and dithers the same way. Every call owns its work
// areas, so calls are independent of each other and may run on several
// threads at once.
#pragma once

#include <cstdint>
#include <string>

#include "core/image.h"

namespace lg {

// The two ways of choosing the colours: the median cut (the default), and a
// slower one closer to the picture ("Better colour reduction"): a finer
// histogram cut where the variance drops most, refined by a few k-means
// passes, with an exact palette for pictures of few enough colours.
enum class Reduction { MedianCut, Better };

// The method Quantize and ReduceColors use in this process when none is
// given ([Others] BetterReduction, applied by the programs at start and when
// the option changes). Safe to call while reductions run on other threads.
void SetReduction(Reduction method);
Reduction CurrentReduction();

// A new palette picture of `colors` colours (2..256): depth 8 for more than
// 16, depth 4 for 3 to 16, depth 1 for 2. Sources of depth 24 are used as
// they are; depth 8 and 4 are expanded to 24 bits first. Empty on failure
// (empty source, depth 1 or another depth, bad count, no memory); `why` then
// says which. The source is never changed. The result has the source's size
// and resolution and its colours-used field set to `colors`; entries beyond
// the colours actually found stay black. With 2 colours the table is black
// and white, the darker of the two computed colours becoming black.
Image Quantize(const Image& src, int colors, std::string* why = nullptr);
Image Quantize(const Image& src, int colors, Reduction method, std::string* why = nullptr);

// The same, under the name the save and load paths use.
inline Image ReduceColors(const Image& src24, int colors, std::string* why = nullptr) {
    return Quantize(src24, colors, why);
}

// Only the median-cut palette of a 24-bit picture: writes up to `colors`
// entries (blue, green, red, 0) into `table` (4 * colors bytes) and returns
// how many it made, 0 for an unusable source or count.
int MedianCutPalette(const Image& src24, int colors, uint8_t* table);

}  // namespace lg
