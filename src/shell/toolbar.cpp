// The toolbar under the menu bar, with its status field.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "core/messages.h"
#include "settings/settings.h"
#include "shell/app.h"
#include "shell/logic/texts.h"

namespace lg {
namespace {

ViewFacts FactsOf(const App& app) {
    ViewFacts f;
    f.hasImage = bool(app.current);
    f.animation = app.animating;
    f.video = app.devices.media != nullptr;
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
    std::vector<TBBUTTON> buttons;
    for (const ToolbarEntry& e : ToolbarButtons()) {
        TBBUTTON b = {};
        b.iBitmap = e.image < 0 ? 0 : e.image;
        b.idCommand = e.command;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = e.command ? TBSTYLE_BUTTON : TBSTYLE_SEP;
        buttons.push_back(b);
    }
    app.toolbar = CreateToolbarEx(app.mainWindow, WS_CHILD | TBSTYLE_TOOLTIPS, IDC_TOOLBAR, 16, app.instance,
                                  IDB_TOOLBAR, buttons.data(), int(buttons.size()), 16, 16, 16, 15, sizeof(TBBUTTON));
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
    // The buttons follow the menu's enable rules.
    const UiState s = EnableState(app);
    for (const ToolbarEntry& e : ToolbarButtons())
        if (e.command)
            SendMessageA(app.toolbar, TB_ENABLEBUTTON, WPARAM(e.command),
                         MAKELPARAM(IsEnabled(*FindCommand(e.command), s) ? TRUE : FALSE, 0));
    SetWindowTextA(app.status, StatusText(FactsOf(app)).c_str());
}

void ToggleToolbar(App& app) {
    bool visible = !(app.toolbar && IsWindowVisible(app.toolbar));
    ShowToolbar(app, visible);
    WriteSetting(Setting::ToolBarActive, visible ? 1 : 0);
}

}  // namespace lg
