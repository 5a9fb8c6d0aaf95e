// Directory listing and the file operations of the viewer, one
// implementation per system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lg::platform {

struct FileFacts {
    std::string name;         // without directory
    bool directory = false;
    bool hidden = false;      // hidden attribute (Windows) or a leading dot (POSIX)
    bool hiddenOnly = false;  // the hidden attribute and no other
    int64_t size = 0;
    uint64_t writeTime = 0;   // larger is later; comparable within one system
};

// Every entry of `dir` ("." and ".." left out) in the order the system
// enumerates them; false when the directory cannot be read.
bool ListDirectory(const std::string& dir, std::vector<FileFacts>& out);

// Names collated by the system's locale, upper and lower case told apart:
// negative, 0 or positive.
int CollateNames(const std::string& a, const std::string& b);

std::string CurrentDirectory();
bool ChangeDirectory(const std::string& dir);
bool IsDirectory(const std::string& path);

// Size of a file, -1 when there is none.
int64_t FileSizeOf(const std::string& path);
// Size and last write time of a file (as ListDirectory gives them); false
// when there is none.
bool FileStampOf(const std::string& path, int64_t& size, uint64_t& writeTime);
// Clears read-only and similar attributes so that the file may be replaced or
// removed (a no-op where there are none).
void MakeWritable(const std::string& path);
// Renames or moves `from` to `to`, refusing when `to` exists.
bool RenameNoReplace(const std::string& from, const std::string& to);
// Whether two paths name one and the same existing file.
bool SameFile(const std::string& a, const std::string& b);
// Moves the file into the system's wastebasket; false when that failed.
bool MoveToRecycleBin(const std::string& path);

}  // namespace lg::platform
