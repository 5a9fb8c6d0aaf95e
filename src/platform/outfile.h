// Writing a file without ever destroying the one it replaces: the data goes
// to a temporary file beside the target, which is renamed over the target
// only after every byte was written and the stream closed cleanly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace lg {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // an uncommitted file is removed

    bool open(const std::string& target);
    bool write(const void* data, size_t n);
    // Writes at `offset` from the file's start (parts of a file may come in
    // any order); later plain writes go on from the end of this one. One
    // thread at a time.
    bool writeAt(uint64_t offset, const void* data, size_t n);
    // Closes and renames over the target; false leaves the target untouched.
    bool commit();
    void abandon();
    std::FILE* stream() { return file_; }  // for libraries that write through stdio
    const std::string& tempPath() const { return temp_; }

private:
    std::FILE* file_ = nullptr;
    std::string temp_;
    std::string target_;
    bool ok_ = true;
};

}  // namespace lg
