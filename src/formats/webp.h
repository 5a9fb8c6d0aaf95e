// WebP through libwebp: still files (lossy, lossless, with alpha) and
// animations (demuxed and composed by libwebp's animation decoder) in, lossy
// or lossless files out. Alpha is dropped, as the PNG reader drops it: the
// picture keeps the colours stored under it.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

struct Animation;

// A 24-bit picture. For an animation: the first frame as it is shown (the
// canvas after that frame). The info text names the compression.
Image ReadWebpFrom(ByteSource& in, Status& st);

// The format table's reader. With opt.multiImage (and not opt.quiet) an
// animation of more than one frame returns no picture: facts.startAnimation
// and facts.frameCount are set, and the shell loads the frames with
// LoadWebpFrames.
Image LoadWebp(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

// Every frame of an animated (or still) WebP file as the canvas shows it
// after that frame: 24-bit pictures of canvas size, already composed, with
// their delays in hundredths of a second. False, with an error text, for a
// file that is not a WebP file, a canvas or frame count beyond the frame
// table's bounds, or a frame that cannot be decoded.
bool LoadWebpFrames(const std::string& path, Animation& anim, Status& st);
bool LoadWebpFramesFrom(ByteSource& in, Animation& anim, Status& st);

// The format table's writer: a 24-bit picture, lossy at opt.webpQuality or
// lossless with opt.webpLossless. A failed write leaves an existing file.
bool SaveWebp(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);
// The 24-bit copy the writer needs of a 1-, 4- or 8-bit picture.
Image WebpSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure);

}  // namespace lg
