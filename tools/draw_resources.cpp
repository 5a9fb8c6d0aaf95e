// Draws the artwork of LUMAGR32.EXE at build time: the program icon, the hand
// and cross-hair cursors and the toolbar strip. The pictures live here as
// code, so the repository holds no binary files.
//
// Usage: draw_resources OUTDIR
// Writes OUTDIR/lumagrove.ico, hand.cur, cross.cur and toolbar.bmp.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// A picture being drawn, top row first; transparent pixels become the mask.
struct Canvas {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  std::vector<bool> opaque;

  Canvas(int w, int h, Rgb fill, bool filled)
      : width(w), height(h), pixels(size_t(w) * h, fill), opaque(size_t(w) * h, filled) {}
  size_t at(int x, int y) const { return size_t(y) * width + x; }
  void set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    pixels[at(x, y)] = c;
    opaque[at(x, y)] = true;
  }
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "draw_resources: %s\n", what.c_str());
  std::exit(1);
}

// ---------------------------------------------------------------- pixel art

// The sixteen colours of the classic display palette. Toolbar pictures use
// only these, so the toolbar can map black, greys and white to the system's
// button colours.
struct PaletteEntry {
  char key;
  Rgb colour;
};
const PaletteEntry kVga[16] = {
    {'K', {0, 0, 0}},       {'m', {128, 0, 0}},     {'e', {0, 128, 0}},     {'o', {128, 128, 0}},
    {'n', {0, 0, 128}},     {'p', {128, 0, 128}},   {'t', {0, 128, 128}},   {'.', {192, 192, 192}},
    {'g', {128, 128, 128}}, {'R', {255, 0, 0}},     {'L', {0, 255, 0}},     {'Y', {255, 255, 0}},
    {'B', {0, 0, 255}},     {'F', {255, 0, 255}},   {'C', {0, 255, 255}},   {'W', {255, 255, 255}},
};
const Rgb kButtonFace = {192, 192, 192};

Rgb VgaColour(char key) {
  for (const PaletteEntry& e : kVga)
    if (e.key == key) return e.colour;
  Fail(std::string("unknown colour key '") + key + "'");
}

// Copies a picture written as text onto the canvas at (x0, y0); a space
// leaves the pixel below as it is, so pictures can be layered.
void Stamp(Canvas& c, int x0, int y0, const std::vector<std::string>& rows) {
  for (size_t y = 0; y < rows.size(); ++y) {
    if (rows[y].size() != rows[0].size()) Fail("ragged picture row: " + rows[y]);
    for (size_t x = 0; x < rows[y].size(); ++x)
      if (rows[y][x] != ' ') c.set(x0 + int(x), y0 + int(y), VgaColour(rows[y][x]));
  }
}

std::vector<std::string> Mirror(std::vector<std::string> rows) {
  for (std::string& r : rows) std::reverse(r.begin(), r.end());
  return rows;
}

// ---------------------------------------------------------------- toolbar

const int kGlyphW = 16, kGlyphH = 15, kGlyphs = 16;
using Glyph = std::vector<std::string>;

const Glyph kOpen = {
    "                ",
    "                ",
    " KKKKK          ",
    "KYYYYYK         ",
    "KYooooYKKKKKKK  ",
    "KYoooooooooooK  ",
    "KYoooooooooooK  ",
    "KYooKKKKKKKKKKKK",
    "KYoKWWWWWWWWWWWK",
    "KYKWYYYYYYYYYYK ",
    "KKWYYYYYYYYYYK  ",
    "KWYYYYYYYYYYK   ",
    "KKKKKKKKKKKK    ",
    "                ",
    "                ",
};

const Glyph kSave = {
    "                ",
    " KKKKKKKKKKKKKK ",
    " KnKWWWWWWWWKnK ",
    " KnKWWWWWWWWKnK ",
    " KnKWggggggWKnK ",
    " KnKWWWWWWWWKnK ",
    " KnKWggggggWKnK ",
    " KnKWWWWWWWWKnK ",
    " KnnKKKKKKKKnnK ",
    " KnnnnnnnnnnnnK ",
    " KnnKKKKKKKKnnK ",
    " KnnKggKKggKnnK ",
    " KnnKggKKggKnnK ",
    "  KKKKKKKKKKKKK ",
    "                ",
};

const Glyph kCut = {
    "                ",
    "   KK       KK  ",
    "   KWK     KWK  ",
    "    KWK   KWK   ",
    "     KWK KWK    ",
    "      KWKWK     ",
    "       KWK      ",
    "      mKKKm     ",
    "   mmmR   Rmmm  ",
    "  mRRRm   mRRRm ",
    " mR   Rm mR   Rm",
    " mR   Rm mR   Rm",
    " mR   Rm mR   Rm",
    "  mRRRm   mRRRm ",
    "   mmm     mmm  ",
};

// A page with a folded corner and lines of text.
const Glyph kPage = {
    "KKKKKK   ",
    "KWWWWKK  ",
    "KWWWWKWK ",
    "KWnnWKKKK",
    "KWWWWWWWK",
    "KWnnnnnWK",
    "KWWWWWWWK",
    "KWnnnnnWK",
    "KWWWWWWWK",
    "KWnnnnnWK",
    "KWWWWWWWK",
    "KKKKKKKKK",
};

const Glyph kPaste = {
    "     KKKK       ",
    " KKKKWggWKKKK   ",
    "KooKWWWWWWKooK  ",
    "KoooKKKKKKoooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KooooooooooooK  ",
    "KKKKKKKKKKKKKK  ",
    "                ",
};

const Glyph kInfo = {
    "                ",
    "     KKKKK      ",
    "   KKBBBBBKK    ",
    "  KBBBBWWBBBK   ",
    "  KBBBBWWBBBK   ",
    " KBBBBBBBBBBBK  ",
    " KBBBBWWWBBBBK  ",
    " KBBBBBWWBBBBK  ",
    " KBBBBBWWBBBBK  ",
    " KBBBBBWWBBBBK  ",
    "  KBBBBWWBBBK   ",
    "  KBBBWWWWBBK   ",
    "   KKBBBBBKK    ",
    "     KKKKK      ",
    "                ",
};

const Glyph kMagnifier = {
    "                ",
    "    KKKK        ",
    "  KKWWCCKK      ",
    " KWWCCCCCCK     ",
    " KWCCCCCCCK     ",
    "KWCCCCCCCCCK    ",
    "KCCCCCCCCCCK    ",
    "KCCCCCCCCCCK    ",
    "KCCCCCCCCCCK    ",
    " KCCCCCCCCK     ",
    " KCCCCCCCCKK    ",
    "  KKCCCCKKmmK   ",
    "    KKKK KmmmK  ",
    "          KmmmK ",
    "           KKK  ",
};

const Glyph kPlus = {
    "  WWWW  ",
    "  WKKW  ",
    "WWWKKWWW",
    "WKKKKKKW",
    "WKKKKKKW",
    "WWWKKWWW",
    "  WKKW  ",
    "  WWWW  ",
};

const Glyph kMinus = {
    "WWWWWWWW",
    "WKKKKKKW",
    "WKKKKKKW",
    "WWWWWWWW",
};

const Glyph kArrowRight = {
    "                ",
    "                ",
    "         K      ",
    "         KK     ",
    "         KLK    ",
    "  KKKKKKKKeLK   ",
    "  KLLLLLLLeeLK  ",
    "  KeeeeeeeeeeLK ",
    "  KeeeeeeeeeeK  ",
    "  KKKKKKKKeeK   ",
    "         KeK    ",
    "         KK     ",
    "         K      ",
    "                ",
    "                ",
};

const Glyph kSmallArrowRight = {
    "     .    ",
    "    .K.   ",
    "    .KK.  ",
    ".....KLK. ",
    ".KKKKKeLK.",
    ".KLLLLeeLK",
    ".KeeeeeeK.",
    ".KKKKKeK. ",
    "    .KK.  ",
    "    .K.   ",
    "     .    ",
};

const Glyph kProperties = {
    "                ",
    " KKKKKKKKKKKKKK ",
    " KWWWWWeWWWWWWK ",
    " KWWWWeeWWWWWWK ",
    " KWeWeeWnnnnnWK ",
    " KWeeeWWWWWWWWK ",
    " KWWeWWWWWWWWWK ",
    " KWWWWWWWWWWWWK ",
    " KWWWWWeWWWWWWK ",
    " KWWWWeeWWWWWWK ",
    " KWeWeeWnnnnnWK ",
    " KWeeeWWWWWWWWK ",
    " KWWeWWWWWWWWWK ",
    " KKKKKKKKKKKKKK ",
    "                ",
};

const Glyph kAbout = {
    "                ",
    "     KKKKK      ",
    "    KBBBBBK     ",
    "   KBBKKKBBK    ",
    "   KBBK KBBK    ",
    "    KK KBBK     ",
    "      KBBK      ",
    "     KBBK       ",
    "     KBBK       ",
    "      KK        ",
    "     KKKK       ",
    "     KBBK       ",
    "     KBBK       ",
    "      KK        ",
    "                ",
};

const Glyph kFilm = {
    "                ",
    "                ",
    "KKKKKKKKKKKKKKKK",
    "KWKKWKKWKKWKKWKK",
    "KKKKKKKKKKKKKKKK",
    "KCCCCCCKKCCCCCCK",
    "KCCYCCCKKCCCCYCK",
    "KCCCCCCKKCCCCCCK",
    "KeeCCeeKKeeeCCeK",
    "KeeeeeeKKeeeeeeK",
    "KKKKKKKKKKKKKKKK",
    "KWKKWKKWKKWKKWKK",
    "KKKKKKKKKKKKKKKK",
    "                ",
    "                ",
};

const Glyph kPrinter = {
    "                ",
    "    KKKKKKKK    ",
    "    KWWWWWWK    ",
    "    KWnnnnWK    ",
    "    KWWWWWWK    ",
    "  KKKKKKKKKKKK  ",
    " KWWWWWWWWWWWWK ",
    " KggggggggggLgK ",
    " KggggggggggggK ",
    " KgKKKKKKKKKKgK ",
    " KgKWWWWWWWWKgK ",
    " KKKKKKKKKKKKKK ",
    "                ",
    "                ",
    "                ",
};

Canvas DrawToolbar() {
  Canvas strip(kGlyphW * kGlyphs, kGlyphH, kButtonFace, true);
  auto cell = [&](int index, int dx, int dy, const Glyph& g) {
    Stamp(strip, index * kGlyphW + dx, dy, g);
  };
  cell(0, 0, 0, kOpen);
  cell(1, 0, 0, kSave);
  cell(2, 0, 0, kCut);
  cell(3, 1, 0, kPage);
  cell(3, 6, 3, kPage);
  cell(4, 0, 0, kPaste);
  cell(4, 7, 3, kPage);
  cell(5, 0, 0, kInfo);
  cell(6, 0, 0, kMagnifier);
  cell(6, 2, 3, kPlus);
  cell(7, 0, 0, kMagnifier);
  cell(7, 2, 5, kMinus);
  cell(8, 0, 0, Mirror(kArrowRight));
  cell(9, 0, 0, kArrowRight);
  cell(10, 6, 1, kPage);
  cell(10, 0, 4, Mirror(kSmallArrowRight));
  cell(11, 1, 1, kPage);
  cell(11, 6, 4, kSmallArrowRight);
  cell(12, 0, 0, kProperties);
  cell(13, 0, 0, kAbout);
  cell(14, 0, 0, kFilm);
  cell(15, 0, 0, kPrinter);
  return strip;
}

// ---------------------------------------------------------------- icon

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto m = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// The landscape inside the frame, at (u, v) in [0,1]², v downwards.
Rgb Landscape(double u, double v) {
  const double sunU = 0.70, sunV = 0.30, sunR = 0.15;
  Rgb c = Mix({60, 130, 225}, {200, 230, 250}, v / 0.65);
  double d = std::hypot(u - sunU, (v - sunV) * 0.8);
  if (d < sunR * 1.8) c = Mix({255, 250, 210}, c, (d - sunR) / (sunR * 0.8));
  if (d < sunR) c = Mix({255, 215, 0}, {255, 160, 0}, d / sunR * 0.7);
  double far = 0.58 - 0.14 * std::exp(-std::pow((u - 0.25) / 0.28, 2));
  if (v > far) c = Mix({175, 230, 90}, {110, 195, 55}, (v - far) / 0.3);
  double nearH = 0.80 - 0.16 * std::exp(-std::pow((u - 0.85) / 0.35, 2));
  if (v > nearH) c = Mix({45, 160, 55}, {15, 100, 35}, (v - nearH) / 0.25);
  return c;
}

// Average of n×n samples per pixel, for smooth edges of the sun and hills.
Rgb SampleLandscape(double u0, double v0, double du, double dv, int n) {
  double r = 0, g = 0, b = 0;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      Rgb s = Landscape(u0 + du * (i + 0.5) / n, v0 + dv * (j + 0.5) / n);
      r += s.r, g += s.g, b += s.b;
    }
  double k = 1.0 / (n * n);
  return {uint8_t(std::lround(r * k)), uint8_t(std::lround(g * k)), uint8_t(std::lround(b * k))};
}

// A picture in a wooden frame filling the rectangle [x0,x1]×[y0,y1]: a dark
// outline, `band` pixels of bevelled wood (light top-left, dark bottom-right)
// and, where there is room, a dark inner edge around the landscape.
Canvas DrawIcon(int size, int x0, int y0, int x1, int y1, int band, bool innerEdge) {
  Canvas c(size, size, {0, 0, 0}, false);
  const Rgb outline = {40, 30, 20}, inner = {70, 50, 30};
  const Rgb woodLight = {225, 175, 100}, woodDark = {150, 95, 45};
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      int fromEdge = std::min({x - x0, y - y0, x1 - x, y1 - y});
      if (fromEdge == 0) {
        c.set(x, y, outline);
      } else if (fromEdge <= band) {
        bool upperLeft = std::min(x - x0, y - y0) < std::min(x1 - x, y1 - y);
        Rgb wood = upperLeft ? woodLight : woodDark;
        c.set(x, y, Mix(wood, {255, 235, 180}, upperLeft && fromEdge == 1 ? 0.4 : 0.0));
      } else if (fromEdge == band + 1 && innerEdge) {
        c.set(x, y, inner);
      }
    }
  const int inset = band + 1 + innerEdge;
  int px0 = x0 + inset, py0 = y0 + inset, px1 = x1 - inset, py1 = y1 - inset;
  double du = 1.0 / (px1 - px0 + 1), dv = 1.0 / (py1 - py0 + 1);
  for (int y = py0; y <= py1; ++y)
    for (int x = px0; x <= px1; ++x)
      c.set(x, y, SampleLandscape((x - px0) * du, (y - py0) * dv, du, dv, 4));
  return c;
}

// ---------------------------------------------------------------- cursors

struct Cursor {
  std::vector<std::string> rows;  // 'K' black, 'W' white, ' ' transparent
  int hotX, hotY;
};

const Cursor kHand = {
    {
        "                                ",
        "                                ",
        "             KKK                ",
        "            KWWWKKKK            ",
        "         KKKKWWWKWWWK           ",
        "        KWWWKWWWKWWWK           ",
        "        KWWWKWWWKWWWKKKK        ",
        "        KWWWKWWWKWWWKWWWK       ",
        "        KWWWKWWWKWWWKWWWK       ",
        "        KWWWKWWWKWWWKWWWK       ",
        "        KWWWKWWWKWWWKWWWK       ",
        "   KK   KWWWKWWWKWWWKWWWK       ",
        "  KWWK  KWWWKWWWKWWWKWWWK       ",
        "  KWWWK KWWWWWWWWWWWWWWWK       ",
        "   KWWWKKWWWWWWWWWWWWWWWK       ",
        "    KWWWWWWWWWWWWWWWWWWWK       ",
        "     KWWWWWWWWWWWWWWWWWWK       ",
        "      KWWWWWWWWWWWWWWWWWK       ",
        "      KWWWWWWWWWWWWWWWWK        ",
        "       KWWWWWWWWWWWWWWWK        ",
        "       KWWWWWWWWWWWWWWK         ",
        "        KWWWWWWWWWWWWWK         ",
        "         KWWWWWWWWWWWK          ",
        "         KWWWWWWWWWWWK          ",
        "         KWWWWWWWWWWWK          ",
        "         KKKKKKKKKKKKK          ",
        "                                ",
        "                                ",
        "                                ",
        "                                ",
        "                                ",
        "                                ",
    },
    16, 17};

Cursor DrawCross() {
  Cursor c{std::vector<std::string>(32, std::string(32, ' ')), 15, 15};
  const int centre = 15, reach = 11, gap = 2;
  for (int d = -reach; d <= reach; ++d) {
    if (std::abs(d) <= gap) continue;
    for (int side = -1; side <= 1; ++side) {
      char ink = side == 0 ? 'K' : 'W';
      auto put = [&](int x, int y) {
        if (c.rows[y][x] != 'K') c.rows[y][x] = ink;
      };
      put(centre + d, centre + side);
      put(centre + side, centre + d);
    }
  }
  // White caps close the halo at the ends and around the gap.
  for (int end : {centre - reach - 1, centre + reach + 1, centre - gap, centre + gap}) {
    for (int side = -1; side <= 1; ++side) {
      if (c.rows[centre + side][end] == ' ') c.rows[centre + side][end] = 'W';
      if (c.rows[end][centre + side] == ' ') c.rows[end][centre + side] = 'W';
    }
  }
  c.rows[centre][centre] = 'K';
  return c;
}

// ---------------------------------------------------------------- files

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

uint32_t Stride(int width, int bits) { return uint32_t((width * bits + 31) / 32 * 4); }

void PutInfoHeader(Bytes& b, int width, int height, int bits, uint32_t imageSize, uint32_t colours) {
  Put32(b, 40);
  Put32(b, uint32_t(width));
  Put32(b, uint32_t(height));
  Put16(b, 1);
  Put16(b, unsigned(bits));
  Put32(b, 0);  // uncompressed
  Put32(b, imageSize);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, colours);
  Put32(b, 0);
}

// The AND mask of an icon or cursor image, bottom row first; 1 = transparent.
template <typename IsClear>
void PutMask(Bytes& b, int size, IsClear clear) {
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(Stride(size, 1), 0);
    for (int x = 0; x < size; ++x)
      if (clear(x, y)) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
}

// One icon image: 24-bit colours (black where transparent) and the mask,
// the header giving twice the height for the two.
Bytes IconImage(const Canvas& c) {
  Bytes b;
  uint32_t xorSize = Stride(c.width, 24) * c.height, andSize = Stride(c.width, 1) * c.height;
  PutInfoHeader(b, c.width, 2 * c.height, 24, xorSize + andSize, 0);
  for (int y = c.height - 1; y >= 0; --y) {
    Bytes row(Stride(c.width, 24), 0);
    for (int x = 0; x < c.width; ++x) {
      if (!c.opaque[c.at(x, y)]) continue;
      Rgb p = c.pixels[c.at(x, y)];
      row[3 * x] = p.b, row[3 * x + 1] = p.g, row[3 * x + 2] = p.r;
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  PutMask(b, c.width, [&](int x, int y) { return !c.opaque[c.at(x, y)]; });
  return b;
}

// One monochrome cursor image: colour bit 1 = white, mask bit 1 = transparent.
Bytes CursorImage(const Cursor& cur) {
  const int size = 32;
  if (cur.rows.size() != size) Fail("cursor must have 32 rows");
  for (const std::string& r : cur.rows)
    if (r.size() != size) Fail("cursor row must have 32 pixels: " + r);
  Bytes b;
  uint32_t planeSize = Stride(size, 1) * size;
  PutInfoHeader(b, size, 2 * size, 1, 2 * planeSize, 2);
  Put32(b, 0x000000);
  Put32(b, 0xFFFFFF);
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(Stride(size, 1), 0);
    for (int x = 0; x < size; ++x)
      if (cur.rows[y][x] == 'W') row[x / 8] |= uint8_t(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  PutMask(b, size, [&](int x, int y) { return cur.rows[y][x] == ' '; });
  return b;
}

// An icon or cursor file: the directory, then the images. Cursor entries
// carry the hot spot where icon entries carry planes and bit count.
struct DirEntry {
  int width, height, colours;
  unsigned field1, field2;  // icon: planes, bits; cursor: hot spot x, y
  Bytes image;
};

Bytes IconFile(int type, const std::vector<DirEntry>& entries) {
  Bytes b;
  Put16(b, 0);
  Put16(b, unsigned(type));
  Put16(b, unsigned(entries.size()));
  uint32_t offset = uint32_t(6 + 16 * entries.size());
  for (const DirEntry& e : entries) {
    b.push_back(uint8_t(e.width));  // 256 would be stored as 0
    b.push_back(uint8_t(e.height));
    b.push_back(uint8_t(e.colours));
    b.push_back(0);
    Put16(b, e.field1);
    Put16(b, e.field2);
    Put32(b, uint32_t(e.image.size()));
    Put32(b, offset);
    offset += uint32_t(e.image.size());
  }
  for (const DirEntry& e : entries) b.insert(b.end(), e.image.begin(), e.image.end());
  return b;
}

Bytes CursorFile(const Cursor& cur) {
  if (cur.rows[cur.hotY][cur.hotX] == ' ') Fail("cursor hot spot on a transparent pixel");
  return IconFile(2, {{32, 32, 2, unsigned(cur.hotX), unsigned(cur.hotY), CursorImage(cur)}});
}

// A 4-bit bitmap file with the sixteen-colour palette.
Bytes BitmapFile(const Canvas& c) {
  Bytes b;
  const uint32_t stride = Stride(c.width, 4), dataOffset = 14 + 40 + 16 * 4;
  b.push_back('B');
  b.push_back('M');
  Put32(b, dataOffset + stride * c.height);
  Put32(b, 0);
  Put32(b, dataOffset);
  PutInfoHeader(b, c.width, c.height, 4, stride * c.height, 16);
  for (const PaletteEntry& e : kVga) Put32(b, uint32_t(e.colour.b | e.colour.g << 8 | e.colour.r << 16));
  for (int y = c.height - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < c.width; ++x) {
      Rgb p = c.pixels[c.at(x, y)];
      int index = 0;
      while (index < 16 && !(kVga[index].colour == p)) ++index;
      if (index == 16) Fail("toolbar colour outside the palette");
      row[x / 2] |= uint8_t(x % 2 ? index : index << 4);
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail("cannot create " + path);
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) Fail("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_resources OUTDIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  Canvas big = DrawIcon(32, 1, 3, 30, 28, 2, true);
  Canvas small = DrawIcon(16, 0, 1, 15, 14, 1, false);
  WriteFile(dir + "lumagrove.ico",
            IconFile(1, {{32, 32, 0, 1, 24, IconImage(big)}, {16, 16, 0, 1, 24, IconImage(small)}}));
  WriteFile(dir + "hand.cur", CursorFile(kHand));
  WriteFile(dir + "cross.cur", CursorFile(DrawCross()));
  WriteFile(dir + "toolbar.bmp", BitmapFile(DrawToolbar()));
  return 0;
}
