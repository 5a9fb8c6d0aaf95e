// Every picture type the system knows, recognised by content: the one table
// that detection, the extension check, renaming, the file dialogs' filter
// lists, the readers and the fuzzers all use.
#pragma once

#include <cstdint>
#include <string>

namespace lg {

enum Format : int {
    kFormatJpeg = 0,
    kFormatGif = 1,
    kFormatBmp = 2,
    kFormatPng = 3,
    kFormatPcx = 4,
    kFormatRas = 5,
    kFormatTif = 6,
    kFormatPcd = 7,
    kFormatTga = 8,
    kFormatIcoCur = 9,
    kFormatMedia = 10,  // video and sound, handed to the media window
    kFormatMetafile = 11,
    kFormatPpm = 12,
    kFormatPgm = 13,
    kFormatPbm = 14,
    kFormatIff = 15,
    kFormatPsd = 16,
    kFormatAni = 17,
    kFormatDcx = 18,
    kFormatClp = 19,
    kFormatEps = 20,
    kFormatCam = 21,
    kFormatLwf = 22,
    kFormatG3 = 23,
    kFormatCount = 24,
    kFormatUnknown = -1,
};

struct FormatInfo {
    const char* word;          // type word in messages ("JPEG", "GIF", ...)
    const char* endings;       // accepted endings, blank-separated ("JPG JPEG")
    const char* infoText;      // set before the reader runs; null: the reader writes its own
    const char* renameExt;     // extension given on rename; null: warning only
};

const FormatInfo& FormatOf(int format);

// Bytes needed by detection.
constexpr size_t kSignatureBytes = 20;

// Format of a file from its first 20 bytes (and its name, for the fax rule).
int DetectFormat(const uint8_t* head, size_t size, const std::string& fileName);
// Reads the first 20 bytes; kFormatUnknown when the file can't be opened,
// is shorter, or matches nothing.
int DetectFileFormat(const std::string& path);

// Whether the file name ends in one of the format's accepted endings
// (compared upper-cased, no dot required).
bool HasAcceptedEnding(int format, const std::string& fileName);

struct FilterEntry {
    std::string description;
    const char* patterns;
};
// The Open dialog's filter list, and the same as consecutive zero-terminated
// strings closed by an empty one, as the file dialogs take it.
const FilterEntry* OpenFilters(size_t* count);
std::string OpenFilterString();

}  // namespace lg
