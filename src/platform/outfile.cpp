#include "platform/outfile.h"

#include "platform/platform.h"

namespace lg {

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open(const std::string& target) {
    abandon();
    target_ = target;
    std::string dir = platform::DirectoryOf(target);
    std::string base = platform::BaseNameOf(target);
    // A name of our own beside the target; exclusive creation avoids clobbering.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temp_ = dir + "~" + base + "." + std::to_string(platform::TickCount() % 100000 + attempt) + ".tmp";
        if (platform::FileExists(temp_)) continue;
        file_ = std::fopen(temp_.c_str(), "wb");
        if (file_) break;
        return false;
    }
    ok_ = file_ != nullptr;
    if (!file_) temp_.clear();
    return ok_;
}

bool OutputFile::write(const void* data, size_t n) {
    if (!file_ || !ok_) return false;
    if (n && std::fwrite(data, 1, n, file_) != n) ok_ = false;
    return ok_;
}

bool OutputFile::writeAt(uint64_t offset, const void* data, size_t n) {
    if (!file_ || !ok_) return false;
    if (!platform::SeekFile(file_, offset)) ok_ = false;
    return write(data, n);
}

bool OutputFile::commit() {
    if (!file_) return false;
    bool good = ok_ && std::fflush(file_) == 0;
    good = (std::fclose(file_) == 0) && good;
    file_ = nullptr;
    if (good && platform::MoveReplacing(temp_, target_)) {
        temp_.clear();
        return true;
    }
    platform::RemoveFile(temp_);
    temp_.clear();
    return false;
}

void OutputFile::abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) platform::RemoveFile(temp_);
    temp_.clear();
}

}  // namespace lg
