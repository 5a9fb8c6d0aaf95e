#include "files/natural_order.h"

#include <cstddef>

namespace lg {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

int CompareNatural(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    int zeros = 0;     // first difference in leading zeros of equal numbers
    int caseDiff = 0;  // first difference in case alone
    while (i < a.size() && j < b.size()) {
        const unsigned char x = a[i], y = b[j];
        if (IsDigit(x) && IsDigit(y)) {
            // Compare the runs by value without converting them: skip the
            // leading zeros, then the longer run is larger, then digit by digit.
            size_t si = i, sj = j;
            while (si < a.size() && a[si] == '0') ++si;
            while (sj < b.size() && b[sj] == '0') ++sj;
            size_t ei = si, ej = sj;
            while (ei < a.size() && IsDigit(a[ei])) ++ei;
            while (ej < b.size() && IsDigit(b[ej])) ++ej;
            if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
            for (size_t k = 0; k < ei - si; ++k)
                if (a[si + k] != b[sj + k]) return a[si + k] < b[sj + k] ? -1 : 1;
            if (!zeros && si - i != sj - j) zeros = si - i < sj - j ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (Fold(x) != Fold(y)) return Fold(x) < Fold(y) ? -1 : 1;
        if (!caseDiff && x != y) caseDiff = x > y ? -1 : 1;  // lower case (the larger code) first
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return zeros ? zeros : caseDiff;
}

}  // namespace lg
