#include "formats/load.h"

#include <cstdio>

#include "core/bytes.h"
#include "core/convert.h"
#include "core/messages.h"
#include "core/strings.h"
#include "formats/format_table.h"
#include "formats/jpeg_lossless.h"
#include "ops/orientation.h"
#include "ops/quantize.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace lg {
namespace {

// The reader of a format on an open file, or a stand-in that says this
// build has none.
Image RunReader(int format, ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st,
                PictureFacts& facts) {
    ReaderFn read = FormatOf(format).read;
    if (!read) {
        st.error = Msg(MsgId::NotInThisBuild);
        return Image();
    }
    in.rewind();
    in.setLimits(opt.limits);
    return read(in, path, opt, st, facts);
}

// Why a picture read at `depth` bits could not be brought to a working depth.
std::string WideningFailure(int depth) {
    switch (depth) {
    case 3: case 16: case 32: case 40: case 48: case 64: return Msg(MsgId::CantAllocate);
    default: return Format(Msg(MsgId::CantConvertDepth), depth);
    }
}

// Turns a photo upright by the orientation its reader found. A picture that
// cannot be turned (no memory) is shown as stored.
void TurnUpright(Image& img, PictureFacts& facts) {
    if (facts.orientation < 2 || facts.orientation > 8) return;
    if (ApplyOrientation(img, facts.orientation)) facts.orientationApplied = facts.orientation;
}

void Inform(const LoadUi& ui, const std::string& text) {
    if (ui.inform) ui.inform(text);
}

// Asks about a name that lies about the content, and renames on Yes.
void CheckExtension(std::string& fileName, int format, const LoadRequest& req, const LoadUi& ui) {
    if (format == kFormatMedia || HasAcceptedEnding(format, fileName)) return;
    if (format == kFormatIcoCur) {
        if (!req.silent && req.renameExtension)
            Inform(ui, Format("%s '%s' %s ICO/CUR\n %s", Msg(MsgId::WarningTheFile), fileName.c_str(),
                              Msg(MsgId::IsA), Msg(MsgId::IncorrectExtension)));
        return;
    }
    if (req.silent || !req.renameExtension) return;
    std::string question = Format("%s '%s' %s %s %s", Msg(MsgId::WarningTheFile), fileName.c_str(),
                                  Msg(MsgId::IsA), FormatOf(format).word,
                                  Msg(MsgId::IncorrectExtensionRename));
    if (!ui.askYesNo || !ui.askYesNo(question)) return;
    if (!RenameToProperExtension(fileName, format)) Inform(ui, Msg(MsgId::CantRename));
    if (ui.rereadDirectory) ui.rereadDirectory();
}

}  // namespace

bool ClaimFitsIn(const ReadLimits& limits, uint64_t available, int64_t width, int64_t height, int bitCount,
                 uint32_t colors, uint64_t rowBytes, uint64_t expansion, Status& st) {
    const Claim c = CheckClaim(limits, available, width, height, bitCount,
                               colors ? colors : DefaultColorsFor(bitCount), rowBytes, expansion);
    if (c == Claim::TooLarge) st.error = Msg(MsgId::TooLarge);
    return c == Claim::Fits;
}

bool ClaimFits(const ByteSource& in, int64_t width, int64_t height, int bitCount, uint32_t colors,
               uint64_t rowBytes, uint64_t expansion, Status& st) {
    return ClaimFitsIn(in.limits(), in.remaining(), width, height, bitCount, colors, rowBytes, expansion, st);
}

int64_t FileSize(const std::string& path) {
    ByteSource in = ByteSource::OpenFile(path);
    return in.ok() ? int64_t(in.size()) : -1;
}

bool RenameToProperExtension(std::string& fileName, int format) {
    if (format < 0 || format >= kFormatCount || !FormatOf(format).renameExt) return false;
    std::string dir = platform::DirectoryOf(fileName);
    std::string base = platform::BaseNameOf(fileName);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    std::string target = dir + base + FormatOf(format).renameExt;
    if (target == fileName) return true;
    if (platform::FileExists(target) || std::rename(fileName.c_str(), target.c_str()) != 0) return false;
    fileName = target;
    return true;
}

Image LoadPicture(std::string& fileName, const LoadRequest& req, const LoadUi& given, PictureFacts& facts) {
    facts = PictureFacts();
    // The name shows in the title while the file is read. A picture decoded
    // ahead needs no reading: its name goes up only when something is shown
    // or asked before the picture (the final title replaces it anyway), which
    // saves a change of caption per step.
    // (A file of no known type fails before that point, with no name shown.)
    bool titled = true;
    auto title = [&] {
        if (!titled) given.setTitle(fileName);
        titled = true;
    };
    LoadUi ui = given;
    if (given.inform) ui.inform = [&](const std::string& text) { title(); given.inform(text); };
    if (given.askYesNo) ui.askYesNo = [&](const std::string& text) { title(); return given.askYesNo(text); };
    if (given.startAnimation) ui.startAnimation = [&] { title(); given.startAnimation(); };
    const int format = DetectFileFormat(fileName);
    auto fail = [&](const std::string& message) {
        facts.messageText = message;
        if (!req.openInProgress) {
            if (!req.silent) Inform(ui, message);
            if (ui.clearWindow) ui.clearWindow();
        }
        return Image();
    };
    if (format == kFormatUnknown) {
        Image none = fail(Format("%s : %s", fileName.c_str(), Msg(MsgId::CantReadHeader)));
        if (ui.rereadDirectory) ui.rereadDirectory();
        return none;
    }
    titled = req.previewWidth != 0 || !given.setTitle;
    if (format == kFormatMedia) {
        title();
        if (req.openInProgress) return Image();
        if (!HasAcceptedEnding(format, fileName)) Inform(ui, Msg(MsgId::IncorrectExtensionMedia));
        if (ui.openMedia) ui.openMedia(fileName);
        if (ui.rereadDirectory) ui.rereadDirectory();
        return Image();
    }
    CheckExtension(fileName, format, req, ui);

    DecodedPicture d;
    if (!ui.takeDecoded || !ui.takeDecoded(fileName, format, d)) {
        title();
        d = DecodePicture(fileName, fileName, format, req,
                          !req.noMultiImage && !req.openInProgress ? ui.chooseIcon : nullptr);
    }
    facts = std::move(d.facts);
    if (d.failure == DecodedPicture::Failure::Widen)
        return fail(Format("%s : %s", fileName.c_str(), WideningFailure(facts.bitCount).c_str()));
    if (d.failure == DecodedPicture::Failure::Quantize)
        return fail(Format("%s : %s", fileName.c_str(), Msg(MsgId::CantQuantize256)));
    if (d.failure == DecodedPicture::Failure::Read) {
        if (format == kFormatG3)
            return fail(Format("%s : G3 %s\n", fileName.c_str(), Msg(MsgId::DecodeError)));
        return fail(Format("%s : %s %s\n\n%s", fileName.c_str(), FormatOf(format).word,
                           Msg(MsgId::DecodeError), d.error.c_str()));
    }
    if (facts.startAnimation) {  // the frames play instead of a still picture
        if (ui.startAnimation) ui.startAnimation();
        return Image();
    }
    if (facts.pcdOverview && !req.noMultiImage) Inform(ui, Msg(MsgId::PhotoCdOverview));
    return std::move(d.picture);
}

bool MayDecodeAhead(int format) {
    if (format < 0 || format >= kFormatCount || !FormatOf(format).read) return false;
    return format != kFormatMedia && format != kFormatMetafile && format != kFormatIcoCur && format != kFormatAni;
}

DecodedPicture DecodePicture(const std::string& file, const std::string& name, int format, const LoadRequest& req,
                             const std::function<int(const IconSet&)>& chooseIcon, const std::atomic<bool>* cancel,
                             Image* spare) {
    DecodedPicture d;
    PictureFacts& facts = d.facts;
    ReadOptions opt;
    opt.grayscale = req.grayscaleJpeg;
    opt.paletteDisplay = req.paletteDisplay;
    opt.previewWidth = req.previewWidth;
    opt.pcdSize = req.pcdSize;
    opt.chooseIcon = chooseIcon;
    opt.multiImage = !req.noMultiImage;
    opt.limits = req.limits;
    opt.autoRotate = req.autoRotate;
    opt.cancel = cancel;
    opt.spare = spare;
    if (const char* info = FormatOf(format).infoText) facts.infoText = info;

    Status st;
    const uint32_t start = platform::TickCount();
    Image img;
    int64_t stampSize = -1;
    uint64_t stampTime = 0;
    platform::FileStampOf(file, stampSize, stampTime);  // before the read: a file replaced meanwhile never matches
    ByteSource in = ByteSource::OpenFile(file);
    if (in.ok()) img = RunReader(format, in, name, opt, st, facts);
    else st.error = Format(Msg(MsgId::CantOpenNamed), name.c_str());
    NoteJpegFile(facts, file, stampSize, stampTime);
    if (!st.info.empty()) facts.infoText = st.info;
    if (!img) {
        if (facts.startAnimation) facts.decompressMs = platform::TickCount() - start;
        else d.failure = DecodedPicture::Failure::Read;
        d.error = std::move(st.error);
        return d;
    }
    facts.bitCount = img.bitCount();
    facts.width = img.width();
    facts.height = img.height();
    facts.xResolution = img.xResolution();

    img = WidenToWorkingDepth(std::move(img));
    if (!img) {
        d.failure = DecodedPicture::Failure::Widen;
        return d;
    }
    if (facts.bitCount != img.bitCount() && img.bitCount() == 24) facts.bitCount = 24;
    TurnUpright(img, facts);
    if (facts.orientationApplied) {
        facts.width = img.width();
        facts.height = img.height();
    }

    if (req.paletteDisplay && img.bitCount() == 24) {
        Image reduced = ReduceColors(img, 256);
        if (!reduced) {
            d.failure = DecodedPicture::Failure::Quantize;
            return d;
        }
        img = std::move(reduced);
        facts.jpegOrigin.wholeDecode = false;
    }
    if (facts.multipage && facts.pageCount > 1)
        facts.infoText = Format("%s - %d %s", facts.infoText.c_str(), facts.pageCount, Msg(MsgId::Pages));
    facts.decompressMs = format == kFormatIcoCur ? 0 : platform::TickCount() - start;  // the chooser's time is the user's
    d.picture = std::move(img);
    return d;
}

Image ReadFileAs(int format, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Format(Msg(MsgId::CantOpenNamed), path.c_str());
        return Image();
    }
    return RunReader(format, in, path, opt, st, facts);
}

Image LoadQuiet(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts* factsOut) {
    ByteSource in = ByteSource::OpenFile(path);
    const int format = in.ok() ? DetectSourceFormat(in, path) : kFormatUnknown;
    if (format == kFormatUnknown || format == kFormatMedia) {
        st.error = Msg(MsgId::CantReadHeader);
        return Image();
    }
    ReadOptions quiet = opt;
    quiet.quiet = true;
    PictureFacts facts;
    Image img = RunReader(format, in, path, quiet, st, facts);
    if (!img) {
        if (st.error.empty()) st.error = Msg(MsgId::DecodeError);
        return img;
    }
    const int depth = img.bitCount();
    img = WidenToWorkingDepth(std::move(img));
    if (!img) st.error = WideningFailure(depth);
    TurnUpright(img, facts);
    if (factsOut) *factsOut = std::move(facts);
    return img;
}

}  // namespace lg
