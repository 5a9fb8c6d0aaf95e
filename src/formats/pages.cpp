#include "formats/pages.h"

#include <algorithm>
#include <utility>

#include "core/convert.h"
#include "core/messages.h"
#include "core/strings.h"
#include "formats/bmp.h"
#include "formats/format_table.h"
#include "platform/platform.h"

namespace lg {

int PageAfter(PageCommand cmd, int current, int count) {
    int target = current;
    switch (cmd) {
    case PageCommand::Next: target = current + 1; break;
    case PageCommand::Previous: target = current - 1; break;
    case PageCommand::First: target = 0; break;
    case PageCommand::Last: target = count - 1; break;
    default: break;
    }
    return std::max(0, std::min(target, count - 1));
}

bool PageCommandEnabled(PageCommand cmd, const PictureFacts& facts) {
    if (!facts.multipage) return false;
    if (cmd == PageCommand::Next) return facts.currentPage < facts.pageCount - 1;
    if (cmd == PageCommand::Previous) return facts.currentPage > 0;
    return true;
}

Image ReadPage(const std::string& path, int format, int page, PictureFacts& facts, Status& st) {
    facts.currentPage = page;
    PageReaderFn read = format >= 0 && format < kFormatCount ? FormatOf(format).readPage : nullptr;
    if (!read || page < 0 || size_t(page) >= facts.pageOffsets.size()) return Image();
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Format(Msg(MsgId::CantOpenNamed), path.c_str());
        return Image();
    }
    Image img = WidenToWorkingDepth(read(in, facts.pageOffsets[size_t(page)], st));
    if (!img) return img;
    if (!st.info.empty()) facts.infoText = st.info;
    facts.bitCount = img.bitCount();
    facts.width = img.width();
    facts.height = img.height();
    facts.xResolution = img.xResolution();
    return img;
}

Image TurnPage(const std::string& path, int format, PageCommand cmd, PictureFacts& facts, Status& st) {
    return ReadPage(path, format, PageAfter(cmd, facts.currentPage, facts.pageCount), facts, st);
}

std::string ExtractedPageName(const std::string& dir, const std::string& path, int page) {
    std::string folder = dir;
    if (!folder.empty() && platform::DirectoryOf(folder) != folder) folder += platform::PathSeparator();
    std::string base = platform::BaseNameOf(path);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return Format("%s%s_lumagrove_extract_%03d.bmp", folder.c_str(), base.c_str(), page);
}

int ExtractAllPages(const std::string& path, int format, const std::string& dir, PictureFacts& facts,
                    Image& current, const PageShown& shown) {
    platform::MakeDirectories(dir);
    int written = 0;
    const int count = facts.pageCount;
    for (int p = 0; p < count; ++p) {
        Status st;
        PictureFacts pageFacts = facts;
        Image img = ReadPage(path, format, p, pageFacts, st);
        if (!img) {
            if (shown) shown(p, Image(), false);
            continue;
        }
        Status ws;
        const bool ok = WriteBmp(ExtractedPageName(dir, path, p), img, ws);
        written += ok ? 1 : 0;
        facts = std::move(pageFacts);
        current = std::move(img);
        if (shown) shown(p, current, ok);
    }
    return written;
}

}  // namespace lg
