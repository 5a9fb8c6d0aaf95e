// Turning a file name into a picture: the interactive load path of the viewer
// and the quiet loader used by conversions and the clipboard service.
#pragma once

#include <functional>
#include <string>

#include "core/image.h"
#include "formats/codec.h"

namespace lg {

struct DecodedPicture;

// How a load reaches the user. Unset members do nothing (or answer No).
struct LoadUi {
    std::function<void(const std::string&)> inform;       // information box
    std::function<bool(const std::string&)> askYesNo;     // Yes/No question
    std::function<void(const std::string&)> setTitle;     // main window title
    std::function<void()> rereadDirectory;                // directory list changed or left
    std::function<void()> clearWindow;                    // back to the empty window, caption title
    std::function<void()> startAnimation;                 // frames are ready to play
    std::function<bool(const std::string&)> openMedia;    // video or sound file
    std::function<int(const IconSet&)> chooseIcon;        // which image of an icon file (index)
    // Hands over the picture already decoded ahead for this file (its name
    // in the current directory, its detected type); false: read it now.
    std::function<bool(const std::string& fileName, int format, DecodedPicture& out)> takeDecoded;
};

struct LoadRequest {
    bool noMultiImage = false;    // animations and icon sets as one still picture
    bool silent = false;          // no warning and no failure message
    int previewWidth = 0;         // 0: a normal load (the title is set at the start)
    bool openInProgress = false;  // the Open dialog's preview
    bool paletteDisplay = false;  // the screen shows 256 colours
    bool grayscaleJpeg = false;   // [JPEG] Load Grayscale
    int pcdSize = 2;              // [PhotoCD] Loading Size
    bool renameExtension = true;  // [Others] RenameExtension
    ReadLimits limits;            // what the read may cost
    bool autoRotate = false;      // [Viewing] AutoRotate: photos upright by their orientation tag
};

// The reading part of a load: the reader, widening to a working depth and
// the reduction for a 256-colour screen, with nothing shown or asked and
// nothing read from settings or shared state, so any thread may run it.
// `file` is opened, `name` is what messages call it.
struct DecodedPicture {
    enum class Failure { None, Read, Widen, Quantize };
    Image picture;          // empty on failure, and when frames play instead
    PictureFacts facts;
    Failure failure = Failure::None;
    std::string error;      // the reader's reason (Read)
};
// A worker passes `cancel` and `spare` on to the reader (ReadOptions).
DecodedPicture DecodePicture(const std::string& file, const std::string& name, int format, const LoadRequest& req,
                             const std::function<int(const IconSet&)>& chooseIcon = nullptr,
                             const std::atomic<bool>* cancel = nullptr, Image* spare = nullptr);

// Whether a file of this type may be decoded before it is shown: not media
// files, metafiles (drawn through GDI), icons and animated cursors (the user
// may have to choose an image) or types without a reader. Multipage and
// animated files are found out by decoding (facts.multipage,
// facts.startAnimation, facts.pcdOverview) and shown by a direct load.
bool MayDecodeAhead(int format);

// The interactive load. `fileName` is updated when the user agrees to a
// rename. Empty on failure; facts.messageText then says why.
Image LoadPicture(std::string& fileName, const LoadRequest& req, const LoadUi& ui, PictureFacts& facts);

// Reads a picture by content without any dialog, message or window change:
// first image or page (`opt` is taken as a quiet load), working depths only.
// Empty with an error text on failure.
// With `facts`, they get what the reader learnt (the metadata of a JPEG).
Image LoadQuiet(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts* facts = nullptr);

// Opens `path` and runs the reader of `format` on it as it stands: no
// detection, no widening (tools and tests).
Image ReadFileAs(int format, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// Moves the file to its name with the format's proper extension; false when
// the format has none or the move fails (fileName unchanged then).
bool RenameToProperExtension(std::string& fileName, int format);

// Size of a file in bytes, or -1.
int64_t FileSize(const std::string& path);

}  // namespace lg
