// The slideshow's list of files, its list files and its advancing rules.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lg {

constexpr const char kSlideshowListName[] = "Lumagrove_Slideshow.lst";

// One path per line, at most 259 characters each (never cut inside one);
// line ends (LF or CRLF) are removed and blank lines skipped. The file is
// UTF-8 with or without a byte-order mark, UTF-16 with its mark, or text in
// the system's ANSI code page (see platform::TextAsNames). False when the file cannot be opened or is
// larger than any list (kMaxSlideListBytes, some 100 000 full-length paths).
constexpr size_t kMaxSlideListBytes = size_t(32) << 20;
bool ReadSlideList(const std::string& path, std::vector<std::string>& out);
// The same from the text of such a file.
std::vector<std::string> ParseSlideList(const std::string& text);
// One "%s\n" per entry; false when the file cannot be written completely.
bool WriteSlideList(const std::string& path, const std::vector<std::string>& list);

// The delay text of the dialog as milliseconds: a positive decimal number of
// seconds, anything else 5 seconds.
int SlideDelayMs(const std::string& text);
// The delay as stored back: "%0.1f", 5.0 for a value that is not positive.
std::string SlideDelayText(const std::string& text);

// The index after one step in list order; -1 when the show stays where it is
// (an end reached without Loop).
int NextSlideIndex(int index, int count, bool back, bool loop);

// Sorts a list of full paths by a directory-list order (0..7), each file's
// size and time read now; files that cannot be found are dropped. Order 8
// leaves the list as it is.
void SortSlideList(std::vector<std::string>& list, int order);

// "Add" in the slideshow and batch dialogs: the file-name field holds one
// name, or several in double quotes; every one that exists is returned as
// folder + name.
std::vector<std::string> NamesFromField(const std::string& folder, const std::string& field);

// The patterns "Add all" searches for a row (0-based) of the Open dialog's
// filter list: row 0 the patterns of the types' rows in list order (AIFF
// sound and fax files left out), other rows their own patterns, "*.*"
// beyond the list.
std::vector<std::string> AddAllPatterns(int filterIndex);
// The files of `folder` matching those patterns, pattern by pattern, as
// folder + name; directories and files that are only hidden are left out.
std::vector<std::string> AddAllFiles(const std::string& folder, int filterIndex);

}  // namespace lg
