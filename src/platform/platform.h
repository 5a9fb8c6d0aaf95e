// The thin OS layer: what differs between Windows and POSIX systems.
#pragma once

#include <cstdint>
#include <string>

namespace lg::platform {

// Replaces `target` by `source` in one step (rename over an existing file).
bool MoveReplacing(const std::string& source, const std::string& target);
bool RemoveFile(const std::string& path);
bool FileExists(const std::string& path);

// Where LUMAGR32.INI and the slideshow list live: $LUMAGROVE_HOME when set;
// otherwise the Windows directory, or $XDG_CONFIG_HOME/lumagrove, else
// ~/.config/lumagrove.
std::string SettingsDirectory();
// Creates a directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);
std::string TempDirectory();

// Milliseconds since some fixed point, for timing loads.
uint32_t TickCount();

// Path separator of this system and the directory part of a path (with its
// trailing separator, or "" for a bare name).
char PathSeparator();
std::string DirectoryOf(const std::string& path);
std::string BaseNameOf(const std::string& path);
std::string JoinPath(const std::string& dir, const std::string& name);

}  // namespace lg::platform
