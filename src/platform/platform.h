// The thin OS layer: what differs between Windows and POSIX systems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace lg::platform {

// Bytes for a buffer that takes any path of the ANSI interfaces: up to 260
// UTF-16 units, each at most 3 bytes in UTF-8 (a pair of units takes 4).
constexpr unsigned kPathBytes = 260 * 3 + 1;

// Replaces `target` by `source` in one step (rename over an existing file).
bool MoveReplacing(const std::string& source, const std::string& target);
bool RemoveFile(const std::string& path);
bool FileExists(const std::string& path);
// Moves a stream's position to `offset` bytes from its start, also beyond the
// 2 GB a `long` reaches on Windows. Any data the stream buffers is written first.
bool SeekFile(std::FILE* file, uint64_t offset);

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

// Text from outside the program that holds names (a list file, a settings
// file of an older version, a path another program sends) in the encoding
// names have in this process. Where the process code page is UTF-8, text
// that is not UTF-8 was written in the system's own ANSI code page and is
// converted from it; anything else is returned as it is (POSIX names are
// bytes).
std::string TextAsNames(const std::string& text);

// Says that a block just allocated for a picture is about to be written
// whole. On Linux, large blocks are asked to live in huge pages: the first
// write into a 24-megapixel picture otherwise takes 18 000 page faults, which
// cost more than the work itself on a virtual machine. Does nothing where the
// system has no such advice.
void AdviseLargeBlock(void* block, size_t size);

}  // namespace lg::platform
