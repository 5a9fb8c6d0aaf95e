// ZSoft PCX pictures (run-length and uncompressed, one to four planes) and
// DCX files, which hold up to 1024 PCX pages behind a table of offsets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

constexpr uint32_t kDcxMagic = 987654321;  // 0x3ADE68B1
constexpr int kDcxMaxPages = 1024;
// Where the first page of a DCX file normally starts: right behind the table.
constexpr uint32_t kDcxFirstPageOffset = 4 + 4 * kDcxMaxPages;

// A PCX picture whose 128-byte header starts at `offset`; its data (and a
// 256-colour table) end at `end` (the file size for a plain PCX file, the
// next page for a DCX page).
Image ReadPcxFrom(ByteSource& in, uint64_t offset, uint64_t end, Status& st);

// The non-zero entries of a DCX page table, in table order (page k is entry
// k); empty when the magic is wrong.
std::vector<uint32_t> ReadDcxPageTable(ByteSource& in);
// The DCX page that starts at `offset` (one of the table's entries).
Image ReadDcxPageFrom(ByteSource& in, const std::vector<uint32_t>& pages, uint32_t offset, Status& st);

// The format table's readers. A DCX load records the page table in the
// facts and reads the first page; the page reader reads the table again.
Image LoadPcx(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);
Image LoadDcx(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);
Image ReadDcxPageAt(ByteSource& in, uint32_t offset, Status& st);

// The format table's writer: version 5, run-length encoded, from a 1-, 4-, 8-
// or 24-bit picture; none of the options concerns PCX.
bool SavePcx(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

}  // namespace lg
