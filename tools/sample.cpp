// Draws the sample picture that `make run` opens: colour wheel bands over a
// grey ramp, written as a 24-bit BMP by the project's own writer.
#include <cmath>
#include <cstdio>

#include "core/image.h"
#include "formats/bmp.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: lgsample OUTPUT.bmp\n", stderr);
        return 2;
    }
    const int w = 400, h = 300;
    lg::Image img = lg::Image::Create(w, h, 24, 0);
    const double cx = w / 2.0, cy = h / 2.0, pi = 3.14159265358979;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = img.topRow(y);
        for (int x = 0; x < w; ++x) {
            double dx = x - cx, dy = y - cy, r = std::sqrt(dx * dx + dy * dy);
            uint8_t grey = uint8_t(40 + 160 * x / w);
            uint8_t b = grey, g = grey, red = grey;
            if (r < 130 && r > 40) {  // hue around the ring, brighter outward
                double a = std::atan2(dy, dx) / (2 * pi) + 0.5;
                auto channel = [&](double off) {
                    double t = std::fabs(std::fmod(a * 6 + off, 6.0) - 3) - 1;
                    t = t < 0 ? 0 : t > 1 ? 1 : t;
                    return uint8_t(255 * t * (0.5 + 0.5 * (r - 40) / 90));
                };
                red = channel(0);
                g = channel(4);
                b = channel(2);
            }
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = red;
        }
    }
    lg::Status st;
    if (!lg::WriteBmp(argv[1], img, st)) {
        std::fprintf(stderr, "lgsample: %s\n", st.error.c_str());
        return 1;
    }
    return 0;
}
