#include "platform/collate.h"

namespace lg {
namespace {

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

int CollateCaseSensitive(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    int caseDiff = 0;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = a[i], y = b[i];
        if (Fold(x) != Fold(y)) return Fold(x) < Fold(y) ? -1 : 1;
        if (!caseDiff && x != y) caseDiff = x > y ? -1 : 1;  // lower case (the larger code) first
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return caseDiff;
}

}  // namespace lg
