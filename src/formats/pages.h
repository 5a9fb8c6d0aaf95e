// Paging through multipage files: which page a command goes to, when the
// commands are enabled, reading one page by its offset in the file, and
// writing every page as a BMP file. The page state lives in PictureFacts
// (filled by the load); each paged format reads a page through the page
// reader of its format table entry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/image.h"
#include "formats/codec.h"

namespace lg {

enum class PageCommand { Next, Previous, First, Last, PrintAll, ExtractAll };

// The page index a moving command goes to, clamped to 0 .. count - 1.
int PageAfter(PageCommand cmd, int current, int count);

// Whether the command applies to the picture shown.
bool PageCommandEnabled(PageCommand cmd, const PictureFacts& facts);

// Reads page `page` at a working depth. facts.currentPage becomes `page`; a
// page that was read also sets the info text, depth, size and resolution.
Image ReadPage(const std::string& path, int format, int page, PictureFacts& facts, Status& st);

// Goes to the page a moving command names and reads it (empty on failure).
Image TurnPage(const std::string& path, int format, PageCommand cmd, PictureFacts& facts, Status& st);

// Where page `page` of `path` is extracted to: the directory, the file's name
// without its extension, and the page number.
std::string ExtractedPageName(const std::string& dir, const std::string& path, int page);

// Reads every page in turn and writes it as a BMP file into `dir` (created
// when missing). A page that was read becomes `current`, with its facts;
// `shown` is told of each page: the picture read (empty when it could not be
// read) and whether its file was written. A page that cannot be read leaves
// `current` as it was. Returns how many files were written.
using PageShown = std::function<void(int page, const Image& img, bool written)>;
int ExtractAllPages(const std::string& path, int format, const std::string& dir, PictureFacts& facts,
                    Image& current, const PageShown& shown);

}  // namespace lg
