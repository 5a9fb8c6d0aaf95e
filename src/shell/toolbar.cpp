// The toolbar under the menu bar, with its status field.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "core/messages.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/logic/texts.h"

namespace lg {
namespace {

constexpr int kToolbarId = 1999;

ViewFacts FactsOf(const App& app) {
    ViewFacts f;
    f.hasImage = bool(app.current);
    f.clipboardHasDib = IsClipboardFormatAvailable(CF_DIB) != 0;
    if (app.hasSelection) {
        f.selectionWidth = std::abs(int(app.selEnd.x - app.selStart.x));
        f.selectionHeight = std::abs(int(app.selEnd.y - app.selStart.y));
    }
    f.fileName = app.fileName;
    f.viewAll = app.viewAll;
    f.dirIndex = app.dirList.index;
    f.dirCount = app.dirList.count();
    f.multipage = app.facts.multipage;
    f.page = app.facts.currentPage;
    f.pageCount = app.facts.pageCount;
    return f;
}

}  // namespace

void CreateToolbar(App& app) {
    TBBUTTON buttons[kToolbarEntries] = {};
    for (int i = 0; i < kToolbarEntries; ++i) {
        buttons[i].iBitmap = kToolbar[i].image < 0 ? 0 : kToolbar[i].image;
        buttons[i].idCommand = kToolbar[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = kToolbar[i].command ? TBSTYLE_BUTTON : TBSTYLE_SEP;
    }
    app.toolbar = CreateToolbarEx(app.mainWindow, WS_CHILD | TBSTYLE_TOOLTIPS, kToolbarId, 16, app.instance,
                                  213, buttons, kToolbarEntries, 16, 16, 16, 15, sizeof(TBBUTTON));
    if (!app.toolbar) return;
    app.status = CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTER, kStatusX,
                                 kStatusY, kStatusWidth, kStatusHeight, app.toolbar, nullptr, app.instance,
                                 nullptr);
    SendMessageA(app.status, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    ShowToolbar(app, ReadSetting(Setting::ToolBarActive) != 0);
}

void ShowToolbar(App& app, bool visible) {
    if (!app.toolbar) return;
    ShowWindow(app.toolbar, visible ? SW_SHOW : SW_HIDE);
    app.toolbarHeight = 0;
    if (visible) {
        SendMessageA(app.toolbar, TB_AUTOSIZE, 0, 0);
        RECT r;
        GetWindowRect(app.toolbar, &r);
        // The whole toolbar window: with one row less, its bottom edge would
        // cover the picture's top row.
        app.toolbarHeight = r.bottom - r.top;
    }
    UpdateToolbar(app);
}

void UpdateToolbar(App& app) {
    if (!app.toolbar || !IsWindowVisible(app.toolbar)) return;
    ViewFacts f = FactsOf(app);
    for (const ToolbarEntry& e : kToolbar)
        if (e.command)
            SendMessageA(app.toolbar, TB_ENABLEBUTTON, WPARAM(e.command),
                         MAKELPARAM(ToolbarButtonEnabled(e.command, f) ? TRUE : FALSE, 0));
    SetWindowTextA(app.status, StatusText(f).c_str());
}

void ToggleToolbar(App& app) {
    bool visible = !(app.toolbar && IsWindowVisible(app.toolbar));
    ShowToolbar(app, visible);
    WriteSetting(Setting::ToolBarActive, visible ? 1 : 0);
}

}  // namespace lg
