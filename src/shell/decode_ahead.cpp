#include "shell/decode_ahead.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "formats/format_table.h"
#include "formats/jpeg_lossless.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/resource_ids.h"

namespace lg {

namespace {

// One file decoded ahead, or being decoded. Owned jointly by the cache and,
// while it decodes it, the worker; `done` is set once under the lock.
struct AheadEntry {
    std::string dir, name;
    LoadRequest req;
    bool busy = false, done = false;
    bool usable = false;   // decoded with nothing changed under it
    bool cancelled = false;  // given up part-way, because no longer wanted
    std::atomic<bool> cancel{false};  // set when the entry leaves the cache while decoded
    int format = kFormatUnknown;
    int64_t size = -1;
    uint64_t writeTime = 0;
    DecodedPicture decoded;
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~AheadEntry() { CloseHandle(finished); }
};
using EntryPtr = std::shared_ptr<AheadEntry>;

bool SameRequest(const LoadRequest& a, const LoadRequest& b) {
    return a.noMultiImage == b.noMultiImage && a.previewWidth == b.previewWidth &&
           a.paletteDisplay == b.paletteDisplay && a.grayscaleJpeg == b.grayscaleJpeg && a.pcdSize == b.pcdSize &&
           a.autoRotate == b.autoRotate;
}

// What the cache may hold besides what it holds already: a quarter of the
// address space still free to the process, counting the cache as free.
bool WithinBound(uint64_t held, uint64_t more) {
    MEMORYSTATUSEX m;
    m.dwLength = sizeof m;
    if (!GlobalMemoryStatusEx(&m)) return false;
    return (held + more) * 4 <= m.ullAvailVirtual + held + more;
}

}  // namespace

// A file as a load found it just before reading it, and the picture that
// load showed: enough to hand the shown picture to the cache when the user
// steps off it, instead of decoding the file again. Message thread only.
struct LoadedFile {
    bool valid = false;
    std::string dir, name;
    LoadRequest req;
    int format = kFormatUnknown;
    int64_t size = -1;
    uint64_t writeTime = 0;
    PictureFacts facts;
    const uint8_t* block = nullptr;  // the shown picture's block, while it is the one loaded
};

struct DecodeAhead {
    CRITICAL_SECTION lock;
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = nullptr;
    bool quit = false;
    HWND notify = nullptr;          // told of every finished decode
    std::vector<EntryPtr> entries;  // in the order the worker takes them, at most two
    LoadedFile reading;             // the file the load under way reads
    LoadedFile shown;               // the shown picture, as loaded and untouched since
    // A picture dropped from the cache, whose block the next JPEG decode
    // takes over when it has the same size: writing into memory written
    // before costs no page faults (a 24-megapixel block takes as long to
    // fault in as the decode itself).
    Image spare;

    DecodeAhead() { InitializeCriticalSection(&lock); }
    ~DecodeAhead() {
        CloseHandle(wake);
        DeleteCriticalSection(&lock);
    }
};

namespace {

struct Locked {
    explicit Locked(DecodeAhead& a) : cs(&a.lock) { EnterCriticalSection(cs); }
    ~Locked() { LeaveCriticalSection(cs); }
    CRITICAL_SECTION* cs;
};

// An entry leaves the cache (under the lock): a decode under way stops at
// its next band of rows, and a finished picture leaves its block to the next
// decode.
void Drop(DecodeAhead& a, const EntryPtr& e) {
    if (e->busy) e->cancel = true;
    else if (e->done && e->decoded.picture && !a.spare) a.spare = std::move(e->decoded.picture);
}

// Decodes `e` as a direct load would, and notes whether the result may stand
// in for one: the file unchanged from before the read to after it, a type
// and a picture the direct load shows as one still picture.
void DecodeEntry(AheadEntry& e, Image& spare) {
    const std::string path = platform::JoinPath(e.dir, e.name);
    if (!platform::FileStampOf(path, e.size, e.writeTime)) return;
    e.format = DetectFileFormat(path);
    if (!MayDecodeAhead(e.format)) return;
    if (e.format != kFormatJpeg) spare = Image();  // only the JPEG reader takes it; not held beside another
    e.decoded = DecodePicture(path, e.name, e.format, e.req, nullptr, &e.cancel, &spare);
    e.cancelled = e.cancel;
    const PictureFacts& f = e.decoded.facts;
    int64_t size = -1;
    uint64_t writeTime = 0;
    e.usable = !e.cancelled && platform::FileStampOf(path, size, writeTime) && size == e.size &&
               writeTime == e.writeTime && !f.multipage && !f.startAnimation && !f.pcdOverview;
    if (!e.usable) {
        e.decoded = DecodedPicture();
        return;
    }
    // Taken here, so that the step to this picture does not pay for it.
    if (StartsTurnHistory(e.decoded.facts))
        e.decoded.facts.jpegOrigin.fingerprint = PictureFingerprint(e.decoded.picture);
}

DWORD WINAPI Worker(void* param) {
    DecodeAhead& a = *static_cast<DecodeAhead*>(param);
    for (;;) {
        WaitForSingleObject(a.wake, INFINITE);
        for (;;) {
            EntryPtr e;
            uint64_t held = 0;
            Image spare;
            {
                Locked l(a);
                if (a.quit) return 0;
                for (const EntryPtr& x : a.entries) {
                    if (!e && !x->busy && !x->done) e = x;
                    if (x->done) held += x->decoded.picture.size();
                }
                if (!e) {
                    a.spare = Image();  // nothing to decode into it: the cache stays at shown + 2
                    break;
                }
                e->busy = true;
                spare = std::move(a.spare);
            }
            DecodeEntry(*e, spare);
            spare = Image();
            if (e->usable && !WithinBound(held, e->decoded.picture.size())) {
                e->usable = false;
                e->decoded = DecodedPicture();
            }
            HWND notify;
            {
                Locked l(a);
                e->busy = false;
                e->done = true;
                notify = a.notify;
            }
            SetEvent(e->finished);
            if (notify) PostMessageA(notify, DecodedAheadMessage(), e->cancelled, 0);
        }
    }
}

}  // namespace

UINT DecodedAheadMessage() {
    static const UINT message = RegisterWindowMessageA(kDecodedAheadProp);
    return message;
}

static void CountIn(HWND w, const char* prop) {
    const auto n = reinterpret_cast<uintptr_t>(GetPropA(w, prop));
    SetPropA(w, prop, reinterpret_cast<HANDLE>(n + 1));
}

void CountDecodedAhead(HWND w, bool cancelled) {
    CountIn(w, kDecodedAheadProp);
    if (cancelled) CountIn(w, kCancelledAheadProp);
}

bool KeepsDecodedAhead(int command) {
    switch (command) {
    case CMD_NEXT_FILE: case CMD_PREV_FILE: case CMD_FIRST_FILE: case CMD_LAST_FILE:
    case CMD_ZOOM_IN: case CMD_ZOOM_OUT: case CMD_FULL_SCREEN: case CMD_START_ANIMATION:
        return true;
    default:
        return false;
    }
}

void ConfigureDecodeAhead(App& app) {
    ForgetDecodedAhead(app);
    if (!app.preload) {
        StopDecodeAhead(app);
        return;
    }
    if (app.ahead) return;
    auto* a = new DecodeAhead;
    a->thread = CreateThread(nullptr, 0, Worker, a, 0, nullptr);
    if (!a->thread) {
        delete a;
        return;
    }
    SetThreadPriority(a->thread, THREAD_PRIORITY_BELOW_NORMAL);
    app.ahead = a;
}

void StopDecodeAhead(App& app) {
    DecodeAhead* a = app.ahead;
    if (!a) return;
    {
        Locked l(*a);
        a->quit = true;
        for (const EntryPtr& e : a->entries) e->cancel = true;
        a->entries.clear();
    }
    SetEvent(a->wake);
    WaitForSingleObject(a->thread, INFINITE);  // a decode under way ends with its reader
    CloseHandle(a->thread);
    delete a;
    app.ahead = nullptr;
}

void ForgetDecodedAhead(App& app) {
    if (!app.ahead) return;
    app.ahead->reading.valid = false;
    app.ahead->shown.valid = false;
    Locked l(*app.ahead);
    for (const EntryPtr& e : app.ahead->entries) e->cancel = true;
    app.ahead->entries.clear();
    app.ahead->spare = Image();
}

void NoteShownPicture(App& app, const Image& picture) {
    DecodeAhead* a = app.ahead;
    if (!a) return;
    LoadedFile& r = a->reading;
    a->shown.valid = false;
    // Only a still picture of a type the worker could have decoded, read
    // from a file that did not change under the read.
    int64_t size = -1;
    uint64_t writeTime = 0;
    if (!r.valid || !picture || r.name != app.fileName || !MayDecodeAhead(r.format) || app.facts.multipage ||
        app.facts.startAnimation || app.facts.pcdOverview ||
        !platform::FileStampOf(platform::JoinPath(r.dir, r.name), size, writeTime) || size != r.size ||
        writeTime != r.writeTime) {
        r.valid = false;
        return;
    }
    a->shown = r;
    a->shown.facts = app.facts;
    a->shown.block = picture.data();
    r.valid = false;
}

void KeepShownPicture(App& app) {
    DecodeAhead* a = app.ahead;
    if (!a) return;
    a->reading.valid = false;
    LoadedFile& s = a->shown;
    const bool keep = s.valid && app.current && app.current.data() == s.block;
    s.valid = false;
    if (!keep) return;
    auto e = std::make_shared<AheadEntry>();
    e->dir = s.dir;
    e->name = s.name;
    e->req = s.req;
    e->done = e->usable = true;
    e->format = s.format;
    e->size = s.size;
    e->writeTime = s.writeTime;
    e->decoded.picture = std::move(app.current);
    e->decoded.facts = std::move(s.facts);
    SetEvent(e->finished);
    Locked l(*a);
    for (auto it = a->entries.begin(); it != a->entries.end();) {
        if ((*it)->dir == e->dir && (*it)->name == e->name) {
            Drop(*a, *it);
            it = a->entries.erase(it);
        } else {
            ++it;
        }
    }
    a->entries.push_back(e);
}

LoadRequest ViewLoadRequest(const App& app) {
    LoadRequest req;
    req.paletteDisplay = app.paletteDisplay;
    req.grayscaleJpeg = app.loadGrayscale;
    req.pcdSize = app.pcdSize;
    req.autoRotate = ReadSetting(Setting::AutoRotate) != 0;
    return req;
}

void DecodeNeighboursAhead(App& app, const LoadRequest& req) {
    DecodeAhead* a = app.ahead;
    if (!a) return;
    const DirList& list = app.dirList;
    std::vector<std::string> wanted;
    if (app.walkDirectory && list.index >= 0 && list.index < list.count()) {
        for (int pos : {list.index + app.travel, list.index - app.travel})
            if (pos >= 0 && pos < list.count()) wanted.push_back(list.at(pos).name);
    }
    const std::string dir = platform::CurrentDirectory();
    {
        Locked l(*a);
        a->notify = app.mainWindow;
        std::vector<EntryPtr> kept;
        for (const std::string& name : wanted) {
            EntryPtr e;
            for (const EntryPtr& x : a->entries)
                if (x->dir == dir && x->name == name && SameRequest(x->req, req)) e = x;
            if (!e) {
                e = std::make_shared<AheadEntry>();
                e->dir = dir;
                e->name = name;
                e->req = req;
            }
            kept.push_back(e);
        }
        for (const EntryPtr& x : a->entries)
            if (std::find(kept.begin(), kept.end(), x) == kept.end()) Drop(*a, x);
        a->entries.swap(kept);
    }
    SetEvent(a->wake);
}

void DecodeFirstAhead(App& app) {
    DecodeAhead* a = app.ahead;
    if (!a || app.fileName.empty()) return;
    auto e = std::make_shared<AheadEntry>();
    e->dir = platform::CurrentDirectory();
    e->name = app.fileName;
    e->req = ViewLoadRequest(app);
    {
        Locked l(*a);
        a->entries.push_back(e);
    }
    SetEvent(a->wake);
}

bool TakeDecodedAhead(App& app, const std::string& fileName, int format, const LoadRequest& req,
                      DecodedPicture& out) {
    DecodeAhead* a = app.ahead;
    if (!a) return false;
    const std::string dir = platform::CurrentDirectory();
    // The entry leaves the cache: it becomes the shown picture, or is not
    // wanted any more. One the worker has not started yet is read here.
    EntryPtr e;
    bool started = false;
    {
        Locked l(*a);
        for (size_t i = 0; i < a->entries.size(); ++i) {
            if (a->entries[i]->dir != dir || a->entries[i]->name != fileName) continue;
            e = a->entries[i];
            started = e->busy || e->done;
            a->entries.erase(a->entries.begin() + long(i));
            break;
        }
        // Read here: a decode under way for another file would only slow
        // this one down (after a step the worker's file is no neighbour).
        if (!started)
            for (auto it = a->entries.begin(); it != a->entries.end();) {
                if ((*it)->busy) {
                    Drop(*a, *it);
                    it = a->entries.erase(it);
                } else {
                    ++it;
                }
            }
        // With the picture just left kept, a step to a file not held (a jump)
        // would read it beside three held ones: the oldest goes.
        while (a->entries.size() > 2) {
            Drop(*a, a->entries.front());
            a->entries.erase(a->entries.begin());
        }
    }
    // The file as this load finds it, before it is read here or taken over.
    LoadedFile& r = a->reading;
    r.valid = platform::FileStampOf(platform::JoinPath(dir, fileName), r.size, r.writeTime);
    r.dir = dir;
    r.name = fileName;
    r.req = req;
    r.format = format;
    if (!e || !started) return false;
    WaitForSingleObject(e->finished, INFINITE);  // a decode under way ends with its reader
    if (!r.valid || !e->usable || e->format != format || !SameRequest(e->req, req) || r.size != e->size ||
        r.writeTime != e->writeTime)
        return false;
    out = std::move(e->decoded);
    return true;
}

}  // namespace lg
