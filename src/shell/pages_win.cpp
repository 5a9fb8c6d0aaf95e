#include "shell/pages_win.h"

#include <string>

#include "core/messages.h"
#include "formats/format_table.h"
#include "ops/quantize.h"
#include "settings/settings.h"
#include "shell/directory_chooser.h"
#include "shell/edit.h"
#include "shell/fullscreen.h"
#include "shell/logic/texts.h"
#include "shell/view.h"

namespace lg {
namespace {

struct WaitCursor {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ~WaitCursor() { SetCursor(old); }
};

// A page read for the screen: on a 256-colour display a 24-bit page is
// reduced as a loaded picture is. Empty with the reason in `why` on failure.
Image ReadPageForScreen(const App& app, int format, int page, PictureFacts& facts, std::string* why) {
    Status st;
    Image img = ReadPage(app.fileName, format, page, facts, st);
    if (!img) {
        *why = Format("%s : %s %s\n\n%s", DisplayNameOf(app.fileName).c_str(), FormatOf(format).word,
                      Msg(MsgId::DecodeError), st.error.empty() ? Msg(MsgId::CantReadHeader) : st.error.c_str());
        return img;
    }
    if (app.paletteDisplay && img.bitCount() == 24) {
        img = ReduceColors(img, 256);
        if (!img) *why = Format("%s : %s", DisplayNameOf(app.fileName).c_str(), Msg(MsgId::CantQuantize256));
    }
    return img;
}

// The page becomes the current picture, shown like a loaded one: the undo
// copy belongs to the page before and goes; the main window is fitted to the
// page, or the full-screen window shows it.
void Present(App& app, Image img) {
    app.undo = Image();
    app.zoom = Zoom();
    app.hasSelection = false;
    if (app.fullScreen) {
        app.current = std::move(img);
        ShowCurrentInFullScreen(app);
        return;
    }
    FitLoadedPicture(app, img);
    ShowPicture(app, std::move(img));
}

}  // namespace

bool ShowPage(App& app, int page) {
    const int format = DetectFileFormat(app.fileName);
    PictureFacts facts = app.facts;
    std::string why;
    Image img;
    {
        WaitCursor wait;
        img = ReadPageForScreen(app, format, page, facts, &why);
    }
    if (!img) {
        ShowMessage(app.fullScreen ? app.fullScreen : app.mainWindow, why, MB_ICONINFORMATION);
        return false;
    }
    facts.messageText.clear();
    app.facts = std::move(facts);
    Present(app, std::move(img));
    return true;
}

void PageCommandRun(App& app, PageCommand cmd) {
    if (!app.facts.multipage || !app.current || app.animating) return;
    const int target = PageAfter(cmd, app.facts.currentPage, app.facts.pageCount);
    if (target == app.facts.currentPage) return;  // already there: nothing to read
    ShowPage(app, target);
}

void ExtractPagesCommand(App& app) {
    if (!app.facts.multipage || !app.current) return;
    std::string dir;
    if (!ChooseDirectory(app.mainWindow, ReadSettingText(Setting::TempPath), &dir)) return;
    const int format = DetectFileFormat(app.fileName);
    const int count = app.facts.pageCount;
    std::string failure;  // the first page that could not be read or written
    {
        WaitCursor wait;
        ExtractAllPages(app.fileName, format, dir, app.facts, app.current,
                        [&](int page, const Image& img, bool written) {
                            if (!img || !written) {
                                if (failure.empty())
                                    failure = Format("%s\n\nPage %d/%d", Msg(img ? MsgId::SaveError : MsgId::DecodeError),
                                                     page + 1, count);
                                if (!img) return;
                            }
                            ShowPicture(app, std::move(app.current));  // sized to the page, title and "Page x/y"
                            UpdateWindow(app.mainWindow);
                        });
    }
    app.undo = Image();
    UpdateToolbar(app);
    if (!failure.empty()) ShowMessage(app.mainWindow, failure, MB_ICONINFORMATION);
}

}  // namespace lg
