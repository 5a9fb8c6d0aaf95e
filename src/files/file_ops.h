// Copying, moving and renaming the viewed file without ever losing data: a
// copy is written beside its target and renamed over it only when complete,
// a move deletes its source only after such a copy, and a rename never
// replaces an existing file.
#pragma once

#include <string>

namespace lg {

// Appends a separator when missing and creates every missing directory of
// the path (errors ignored: a path still missing makes the later copy fail).
// Returns the path with its trailing separator; "" stays "".
std::string CreateDirectoryPath(const std::string& path);

// Destination directory plus the file's name; a bare name without directory.
std::string CopyMoveTarget(const std::string& destination, const std::string& source);

// Copies `from` onto `to`, replacing an existing `to` only after every byte
// was written; on failure `to` is as it was.
bool CopyFileSafely(const std::string& from, const std::string& to);

enum class MoveOutcome { Moved, CopyFailed, SourceKept };
// Copies, then removes the source; SourceKept when the copy was made but the
// source could not be removed.
MoveOutcome MoveFileSafely(const std::string& from, const std::string& to);

// Where the directory list stands after the shown file went away from
// position `former`, `count` files being left: one before it, never below 0
// while a file is left.
int PositionAfterRemoval(int former, int count);

}  // namespace lg
