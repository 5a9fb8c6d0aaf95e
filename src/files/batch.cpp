#include "files/batch.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>

#include "core/messages.h"
#include "core/strings.h"
#include "files/file_ops.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/save.h"
#include "platform/platform.h"
#include "platform/threads.h"

namespace lg {
namespace {

const SaveType& TypeAt(int type) { return *SaveTypes()[size_t(type >= 0 && type < BatchTypeCount() ? type : 0)]; }

}  // namespace

int BatchTypeCount() { return SaveTypeCount(); }

std::string BatchTypeText(int type) { return Format(TypeAt(type).listText, Msg(MsgId::Files)); }

const char* BatchTypeWord(int type) { return TypeAt(type).ending; }

int BatchTypeOf(const std::string& word) {
    std::string w = word;
    if (!w.empty() && w[0] == '.') w.erase(0, 1);
    for (int i = 0; i < BatchTypeCount(); ++i) {
        const SaveType& t = TypeAt(i);
        if (EqualNoCase(w, t.ending) || (t.otherName && EqualNoCase(w, t.otherName))) return i;
    }
    return -1;
}

std::string BatchOutputName(const std::string& outDir, const std::string& input, const char* word) {
    std::string base = platform::BaseNameOf(input);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    return Format("%s%s.%s", outDir.c_str(), base.c_str(), word);
}

namespace {

// One file's conversion; the result line. Any thread may run it.
std::string ConvertOne(const std::string& file, const std::string& out, const ConvertOptions& opt) {
    try {
        Status st;
        PictureFacts facts;
        Image img = LoadQuiet(file, opt.read, st, &facts);
        if (!img) return Format("%s: %s", Msg(MsgId::ErrorCantLoad), file.c_str());
        std::string message;
        if (platform::FileExists(out)) return Format("%s: %s", Msg(MsgId::DestinationExists), out.c_str());
        if (!SaveImage(img, out, KeepingMetadata(opt.save, facts), &message))
            return Format("%s: %s", Msg(MsgId::CantSave), out.c_str());
        return Msg(MsgId::BatchOk);
    } catch (const std::exception&) {  // no memory for the file's work
        return Format("%s: %s", Msg(MsgId::ErrorCantLoad), file.c_str());
    }
}

// Output names that name one file: without regard to case on Windows.
std::string NameKey(const std::string& path) {
#ifdef _WIN32
    std::string k = path;
    for (char& c : k)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return k;
#else
    return path;
#endif
}

struct Slot {
    std::atomic<bool> done{false};
    std::string result;
};

}  // namespace

// Files are taken in input order by background workers, one per processor;
// the calling thread reports them in input order (it alone calls the
// caller's functions) and converts a file itself when no worker has taken it
// yet. A file whose output name an earlier file also makes waits for that
// file, so that the later one finds the output there, as it would one after
// the other. Stop takes no more files; those already taken are finished and
// reported.
BatchSummary RunBatch(const std::vector<std::string>& files, const std::string& outDir, int type,
                      const BatchUi& ui, const ConvertOptions& opt) {
    BatchSummary sum;
    if (files.empty()) return sum;
    const char* word = BatchTypeWord(type);
    const std::string dir = CreateDirectoryPath(outDir);
    const int n = int(files.size());
    std::vector<std::string> outs(files.size());
    std::vector<int> sameOutput(files.size(), -1);  // the last earlier file of the same output name
    std::map<std::string, int> lastOf;
    for (int i = 0; i < n; ++i) {
        outs[size_t(i)] = BatchOutputName(dir, files[size_t(i)], word);
        auto it = lastOf.find(NameKey(outs[size_t(i)]));
        if (it != lastOf.end()) sameOutput[size_t(i)] = it->second;
        lastOf[NameKey(outs[size_t(i)])] = i;
    }
    std::unique_ptr<Slot[]> slots(new Slot[files.size()]);
    std::atomic<int> next{0};
    platform::Signal finished;

    // Takes the next file and converts it; false when none is left.
    auto takeOne = [&]() {
        const int i = next++;
        if (i >= n) return false;
        if (sameOutput[size_t(i)] >= 0) {
            platform::Signal pause;
            while (!slots[size_t(sameOutput[size_t(i)])].done.load()) pause.Wait(2);
        }
        slots[size_t(i)].result = ConvertOne(files[size_t(i)], outs[size_t(i)], opt);
        slots[size_t(i)].done.store(true);
        finished.Raise();
        return true;
    };

    auto report = [&]() {
        int taken = n;  // files that are reported: all, or those taken before Stop
        for (int i = 0; i < n && i < taken; ++i) {
            if (taken == n) {
                if (ui.starting) ui.starting(i + 1, n);
                if (ui.stopRequested && ui.stopRequested()) {
                    taken = std::min(n, next.exchange(n));
                    sum.stopped = true;
                    if (i >= taken) break;
                }
            }
            ui.line(Format("%s: %s", Msg(MsgId::Converting), files[size_t(i)].c_str()));
            while (!slots[size_t(i)].done.load()) {
                if (taken == n && next.load() <= i) {
                    takeOne();
                    continue;
                }
                finished.Wait(50);
                if (taken == n && ui.stopRequested && ui.stopRequested()) {
                    taken = std::min(n, next.exchange(n));
                    sum.stopped = true;
                }
            }
            const std::string& result = slots[size_t(i)].result;
            if (result == Msg(MsgId::BatchOk)) ++sum.converted;
            else ++sum.errors;
            ui.line(result);
        }
    };

    const int workers = platform::ThreadCount() > 1 ? std::min(platform::ThreadCount(), n) : 0;
    platform::RunConcurrently(workers + 1, [&](int job) {
        if (job == 0) {
            report();
            next.store(n);  // a worker that could not start finds nothing left
        } else {
            while (takeOne()) {
            }
        }
    });
    return sum;
}

std::string BatchSummaryLine(const BatchSummary& s) { return Format("%d %s", s.errors, Msg(MsgId::Errors)); }

}  // namespace lg
