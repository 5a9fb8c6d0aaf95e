// Animated cursors (RIFF "ACON"): the first icon as a still picture, or every
// step as a frame of the shared animation player, with the cursor's own
// rates (sixtieths of a second) and step sequence.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/animation.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// The picture of icon 0. With `anim`, every step also becomes frame j of the
// table: the icon its sequence entry names, delay = its rate, disposal 3.
// Rate and sequence chunks count only when they come before the icon list.
Image ReadAnimatedCursor(ByteSource& in, Animation* anim, Status& st);

// The step count of the "anih" header; 0 when the data is not an animated
// cursor or its header says the frames are not icons.
int CountAniSteps(ByteSource& in);

// The player's frame table for a file: frames widened to working depths,
// the canvas the size of frame 0.
bool LoadAniFrames(const std::string& path, Animation& anim, Status& st);

// The format table's reader: with opt.multiImage (and not quiet) a cursor of
// several steps returns no picture and asks for playback instead.
Image LoadAni(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

}  // namespace lg
