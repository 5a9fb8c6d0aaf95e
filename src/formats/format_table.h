// Every picture type the system knows: the one table that detection, the
// extension check, renaming, the Open and Save dialogs' filter lists, the
// directory walk, batch conversion, capture, the readers, the writers and
// the fuzzers all use. Adding a type is one entry here plus its reader and
// writer files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/messages.h"
#include "formats/codec.h"

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
    kFormatWebp = 24,
    kFormatCount = 25,
    kFormatUnknown = -1,
};

// Bytes needed by detection.
constexpr size_t kSignatureBytes = 20;

// Whether the first 20 bytes (or, for the fax type, the name) are the type's.
using DetectFn = bool (*)(const uint8_t* head, const std::string& fileName);

// No word fills the description.
constexpr MsgId kNoWord = MsgId::Count;

// A row of the Open dialog's filter list that a type contributes.
struct OpenFilterRow {
    int row;                  // place in the list, counted from 1; 0: no row
    const char* description;  // may hold one %s, filled with `word`
    MsgId word;
    const char* patterns;     // "*.jpg;*.jpeg"
    // What "Add all" over every picture type searches of this row; null: the
    // patterns. It has always left out AIFF sound and fax files.
    const char* addAll;
};

// How the save dispatcher, the Save dialog, batch conversion and automatic
// capture know a type that is written.
struct SaveType {
    int index;                // Save dialog filter index, counted from 1 (batch list: index - 1); 0: not written
    const char* ending;       // what an output name of this type ends with, upper case ("JPG")
    const char* otherName;    // another name of the type for the converter's /type= ("JPEG"); null: none
    const char* filter;       // Save dialog description; %s takes "Files"
    const char* patterns;     // Save dialog patterns
    const char* listText;     // batch conversion and capture lists; %s takes "Files"
    bool capture;             // offered by automatic capture
    const char* optionsPage;  // dialog template of the save options page holding its options; null: none
    SaveCopyFn copy;          // null: the writer takes the picture as it is
    WriterFn write;           // null: this build has no writer
};

struct FormatInfo {
    const char* word;          // type word in messages ("JPEG", "GIF", ...)
    int detectOrder;           // detection tries the types by this number, lowest first
    DetectFn detect;
    const char* endings;       // the type's own endings, blank-separated ("JPG JPEG")
    const char* alsoAccepted;  // endings taken as correct that the directory walk leaves out; null: none
    const char* infoText;      // set before the reader runs; null: the reader writes its own
    const char* renameExt;     // extension given on rename; null: warning only
    ReaderFn read;             // null: this build has no reader
    PageReaderFn readPage;     // null: no pages
    OpenFilterRow open[4];
    SaveType save;
};

const FormatInfo& FormatOf(int format);

// Format of a file from its first 20 bytes (and its name, for the fax rule).
int DetectFormat(const uint8_t* head, size_t size, const std::string& fileName);
// Reads the first 20 bytes; kFormatUnknown when the file can't be opened,
// is shorter, or matches nothing.
int DetectFileFormat(const std::string& path);
// The same for an open file, which is left at its start.
int DetectSourceFormat(ByteSource& in, const std::string& fileName);

// Whether the file name ends in one of the format's accepted endings
// (compared upper-cased, no dot required).
bool HasAcceptedEnding(int format, const std::string& fileName);
// Whether a directory entry named so is one of the viewer's files: its name
// ends (without regard to case, dot or not) with a type's own ending.
bool CountsAsPicture(const std::string& name);

struct FilterEntry {
    std::string description;
    std::string patterns;
    std::string addAll;  // what "Add all" searches with the row chosen
};
// The Open dialog's filter list: every picture type, the types' own rows,
// all files. The same as consecutive zero-terminated strings closed by an
// empty one, as the file dialogs take it.
const std::vector<FilterEntry>& OpenFilters();
std::string OpenFilterString();

// The written types in the Save dialog's order (filter index 1 first).
const std::vector<const SaveType*>& SaveTypes();

}  // namespace lg
