#include "devices/print.h"

#include <commdlg.h>

#include <functional>

#include "formats/format_table.h"
#include "formats/pages.h"
#include "formats/status.h"

namespace lg {
namespace {

// One picture on one sheet; false when the sheet could not be started or ended.
bool PrintSheet(HDC printer, const Image& img, const PrintChoice& c) {
    SetStretchBltMode(printer, COLORONCOLOR);
    PrintRect r = ComputePrintRect(c.mode, GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES),
                                   GetDeviceCaps(printer, LOGPIXELSX), GetDeviceCaps(printer, LOGPIXELSY),
                                   img.width(), img.height(), c.sx, c.sy);
    bool ok = StartPage(printer) > 0;
    StretchDIBits(printer, 0, 0, r.width, r.height, 0, 0, img.width(), img.height(), img.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
    ok = EndPage(printer) > 0 && ok;
    return ok;
}

// The printer dialog, then one document whose sheets `sheets` prints; false
// when the job was not started or `sheets` failed.
bool PrintDocument(HWND owner, const std::string& docName, const std::function<bool(HDC)>& sheets) {
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nFromPage = pd.nToPage = 1;
    pd.nCopies = 1;
    const bool chosen = PrintDlgA(&pd) && pd.hDC;
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (!chosen) return false;
    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = docName.c_str();
    if (StartDocA(pd.hDC, &doc) <= 0) {
        DeleteDC(pd.hDC);
        return false;
    }
    const bool ok = sheets(pd.hDC);
    EndDoc(pd.hDC);
    DeleteDC(pd.hDC);
    return ok;
}

}  // namespace

bool PrintPicture(HWND owner, const std::string& docName, const Image& img, const PrintChoice& c) {
    return PrintDocument(owner, docName, [&](HDC printer) { return PrintSheet(printer, img, c); });
}

bool PrintPages(HWND owner, const std::string& path, const PictureFacts& facts, const PrintChoice& c) {
    return PrintDocument(owner, path, [&](HDC printer) {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        const int format = DetectFileFormat(path);
        PictureFacts pageFacts = facts;
        bool ok = true;
        for (int page = 0; page < facts.pageCount; ++page) {
            Status st;
            Image sheet = ReadPage(path, format, page, pageFacts, st);
            if (sheet && !PrintSheet(printer, sheet, c)) ok = false;
        }
        SetCursor(old);
        return ok;
    });
}

}  // namespace lg
