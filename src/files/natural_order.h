// Names ordered the way people count: runs of digits compare by their value
// (IMG_2 before IMG_10), letters without regard to case.
#pragma once

#include <string>

namespace lg {

// Sort order 9 of FileSortOrder and the slideshow's SortOder.
constexpr int kNaturalNameOrder = 9;

// Negative puts a first. Names equal in that sense (a01 and a1, Img and img)
// are still told apart, fewer leading zeros first, then lower case first,
// so a list sorts the same whatever order it was read in; 0 only for
// identical names.
int CompareNatural(const std::string& a, const std::string& b);

}  // namespace lg
