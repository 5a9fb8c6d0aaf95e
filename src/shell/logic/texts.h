// What the main window tells the user about the picture: the title, the
// status field on the toolbar, and the lines of the image information
// dialog. Plain facts in, texts out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lg {

// Names of pictures that did not come from a file.
constexpr const char kClipboardName[] = "<Clipboard>";
constexpr const char kScanImageName[] = "<ScanImage>";
bool IsPseudoName(const std::string& fileName);

// Base name and extension of a path, either slash.
std::string DisplayNameOf(const std::string& path);

// The window title: "Lumagrove - NAME (WxHxBPP)" at zoom 100,
// "NAME - Z % (ZWxZH)" when zoomed (sizes at that zoom), and
// "Lumagrove - TEXT" for a /title= text whatever the zoom. An empty
// override means none was given.
std::string PictureTitle(const std::string& fileName, int width, int height, int bitCount,
                         const std::string& titleOverride, int zoomPercent = 100);

// Status field on the toolbar: position and size in toolbar coordinates.
constexpr int kStatusX = 293, kStatusY = 2, kStatusWidth = 77, kStatusHeight = 21;

// What the status field depends on.
struct ViewFacts {
    bool hasImage = false;        // a current image exists
    bool animation = false;       // an animation is playing
    bool video = false;           // the video window is open
    std::string fileName;         // current file name (pseudo-names count)
    bool viewAll = true;          // [Viewing] ViewAll is 1
    int dirIndex = 0, dirCount = 0;
    bool multipage = false;
    int page = 0, pageCount = 0;  // page counted from 0
};

// The status field's text: "3/12", "Page 2/5", "1/1" or empty.
std::string StatusText(const ViewFacts& f);

// The image information dialog.
struct InfoFacts {
    std::string fileName;
    std::string compression;      // the info text of the last load
    int dpi = 0;                  // 0 or 1 when unknown
    int loadedWidth = 0, loadedHeight = 0, loadedBits = 0;
    int width = 0, height = 0, bits = 0;  // current picture (animation: its screen size)
    bool animation = false;       // colours and memory then use the loaded bits
    int64_t fileSize = -1;        // -1 when there is no such file
    bool viewAll = true;
    int dirIndex = 0, dirCount = 0;
    long loadMilliseconds = 0;
    int orientation = 0;          // the file's orientation tag, 0 without one
    int orientationApplied = 0;   // the value the picture was turned by, 0 when not turned
};

// One text for one control of the image information dialog.
struct InfoLine {
    int control;
    std::string text;
};

// The orientation line: how the picture was turned, and the tag it came with.
std::string OrientationText(int tag, int applied);

// Every field of the dialog, in the order of its labels.
std::vector<InfoLine> ImageInfoLines(const InfoFacts& f);

// Bytes the picture takes as a packed DIB without its header: the colour
// table (up to 8 bits) plus the rows padded to 32 bits. For an animation pass
// the loaded bits; its colour table then counts twice, the frame's and the
// file's.
int64_t PictureMemorySize(int width, int height, int bits, bool animation);

// The question before a copy or move replaces a file: both names, each with
// its size in bytes (all 64 bits of it: `long` is 32 bits on Windows).
std::string ReplaceQuestionText(const std::string& target, int64_t targetSize, const std::string& source,
                                int64_t sourceSize);

}  // namespace lg
