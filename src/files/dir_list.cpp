#include "files/dir_list.h"

#include <algorithm>
#include <cstring>

#include "core/strings.h"
#include "formats/format_table.h"
#include "platform/platform.h"

namespace lg {
namespace {

template <typename T>
int Sign(T a, T b) { return a < b ? -1 : b < a ? 1 : 0; }

}  // namespace

std::string ExtensionOf(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

int CompareEntries(const DirEntry& a, const DirEntry& b, int order, CollateFn collate) {
    if (!collate) collate = platform::CollateNames;
    switch (order) {
    case 0: return collate(a.name, b.name);
    case 4: return collate(b.name, a.name);
    case 1: return Sign(a.writeTime, b.writeTime);
    case 5: return Sign(b.writeTime, a.writeTime);
    case 2: return Sign(a.size, b.size);
    case 6: return Sign(b.size, a.size);
    case 3: return collate(ExtensionOf(a.name), ExtensionOf(b.name));
    case 7: return collate(ExtensionOf(b.name), ExtensionOf(a.name));
    case kNaturalNameOrder: return CompareNatural(a.name, b.name);
    default: return 0;
    }
}

bool SortsList(int order) { return (order >= 0 && order < kNoSort) || order == kNaturalNameOrder; }

void SortDirList(DirList& list, int order, CollateFn collate) {
    if (!SortsList(order)) return;
    if (!collate) collate = platform::CollateNames;
    const std::vector<DirEntry>& r = list.records;
    std::stable_sort(list.order.begin(), list.order.end(), [&](int x, int y) {
        return CompareEntries(r[size_t(x)], r[size_t(y)], order, collate) < 0;
    });
}

int FindInDirList(const DirList& list, const std::string& path) {
    const std::string name = platform::BaseNameOf(path);
    if (name.empty()) return -1;
    for (int i = 0; i < list.count(); ++i)
        if (EqualNoCase(list.at(i).name, name)) return i;
    return -1;
}

void FillDirList(DirList& list, const std::string& directory, const std::vector<platform::FileFacts>& facts,
                 int sortOrder, CollateFn collate) {
    list.directory = directory;
    list.records.clear();
    list.order.clear();
    list.index = -1;
    for (const platform::FileFacts& f : facts) {
        if (f.directory || !CountsAsPicture(f.name)) continue;
        list.order.push_back(int(list.records.size()));
        list.records.push_back(DirEntry{f.name, f.size, f.writeTime});
    }
    SortDirList(list, sortOrder, collate);
}

bool ReadDirList(DirList& list, const std::string& directory, bool force, bool viewAll, int sortOrder) {
    if (!force && directory == list.directory) return false;
    std::vector<platform::FileFacts> facts;
    if (viewAll && !platform::ListDirectory(directory, facts)) facts.clear();
    FillDirList(list, directory, facts, sortOrder);
    return true;
}

NavStep NavFirst(int count, bool viewAll) {
    if (!viewAll || count <= 0) return {NavAction::Nothing, count};
    return {NavAction::Show, 0};
}

NavStep NavLast(int count, bool viewAll) {
    if (!viewAll || count <= 0) return {NavAction::Nothing, count};
    return {NavAction::Show, count - 1};
}

NavStep NavNext(int index, int count, bool viewAll, bool notNotifyLoop) {
    if (!viewAll) return {NavAction::Nothing, index};
    const int next = index + 1;
    if (next < count) return {NavAction::Show, next};
    if (notNotifyLoop) return NavFirst(count, viewAll);
    return {NavAction::AskToFirst, next};
}

NavStep NavPrevious(int index, int count, bool viewAll, bool notNotifyLoop, bool justDeleted) {
    if (!viewAll) return {NavAction::Nothing, index};
    int prev = justDeleted ? index : index - 1;
    if (prev >= count) prev = count - 1;  // the list shrank under the index
    if (prev >= 0) return {NavAction::Show, prev};
    if (notNotifyLoop) return NavLast(count, viewAll);
    return {NavAction::AskToLast, prev};
}

int NavCancelled(const NavStep& asked) {
    return asked.action == NavAction::AskToFirst ? asked.index - 1 : asked.index + 1;
}

bool UpdateRecentDirs(RecentDirs& dirs, const std::string& dir) {
    if (dir.empty() || dir == dirs[0]) return false;
    auto found = std::find(dirs.begin() + 1, dirs.end(), dir);
    if (found != dirs.end()) {
        std::rotate(dirs.begin(), found, found + 1);
        return true;
    }
    auto free = std::find(dirs.begin(), dirs.end(), std::string());
    if (free != dirs.end()) {
        *free = dir;
        return true;
    }
    std::rotate(dirs.begin(), dirs.end() - 1, dirs.end());
    dirs[0] = dir;
    return true;
}

}  // namespace lg
