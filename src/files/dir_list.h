// The directory list behind Next, Previous, First and Last: the picture files
// of one directory, their sort orders, the shown file's position, and the
// decisions of each step. Listing goes through the platform layer; the rest
// is plain arithmetic on the list.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "files/natural_order.h"
#include "platform/files.h"

namespace lg {

struct DirEntry {
    std::string name;
    int64_t size = 0;
    uint64_t writeTime = 0;
};

// Sort orders as stored in FileSortOrder: 0 name, 1 date, 2 size, 3
// extension ascending; 4 to 7 the same descending; 8 as enumerated; 9 name
// with numbers by value (kNaturalNameOrder).
constexpr int kNoSort = 8;

// True for the orders that reorder a list (0 to 7 and 9).
bool SortsList(int order);

using CollateFn = int (*)(const std::string&, const std::string&);

struct DirList {
    std::string directory;          // the directory the list was read from
    std::vector<DirEntry> records;  // in enumeration order
    std::vector<int> order;         // list position -> record
    int index = -1;                 // position of the shown file; -1 when it is not listed
    bool justDeleted = false;       // a delete left the index one before the gone file

    int count() const { return int(order.size()); }
    const DirEntry& at(int pos) const { return records[size_t(order[size_t(pos)])]; }
};

// The part of the name from its last dot; empty without one.
std::string ExtensionOf(const std::string& name);

// Negative puts a first.
int CompareEntries(const DirEntry& a, const DirEntry& b, int order, CollateFn collate);

// Reorders the positions; order 8 (or anything unknown) leaves them.
void SortDirList(DirList& list, int order, CollateFn collate = nullptr);

// Position of the entry whose name equals the name and extension of `path`
// without regard to case; -1 when none does.
int FindInDirList(const DirList& list, const std::string& path);

// Fills the list from directory entries as the system reported them.
void FillDirList(DirList& list, const std::string& directory, const std::vector<platform::FileFacts>& facts,
                 int sortOrder, CollateFn collate = nullptr);

// Reads `directory` again when forced or when it is not the listed one;
// with `viewAll` off the list stays empty. True when it was read.
bool ReadDirList(DirList& list, const std::string& directory, bool force, bool viewAll, int sortOrder);

// What a navigation command does.
enum class NavAction {
    Nothing,    // list empty or walking turned off
    Show,       // show the entry at `index`
    AskToFirst, // at the end: ask before jumping to the first file
    AskToLast,  // at the start: ask before jumping to the last file
};
struct NavStep {
    NavAction action;
    int index;  // the list's index after the step (before the answer when asking)
};

NavStep NavNext(int index, int count, bool viewAll, bool notNotifyLoop);
NavStep NavPrevious(int index, int count, bool viewAll, bool notNotifyLoop, bool justDeleted);
NavStep NavFirst(int count, bool viewAll);
NavStep NavLast(int count, bool viewAll);
// The index when the wrap question is answered with Cancel.
int NavCancelled(const NavStep& asked);

// The five most recently used directories, newest first, "" a free slot.
using RecentDirs = std::array<std::string, 5>;
// The directory just listed goes to the front, or into the first free slot
// when it is new and a slot is free. False when nothing changed.
bool UpdateRecentDirs(RecentDirs& dirs, const std::string& dir);

}  // namespace lg
