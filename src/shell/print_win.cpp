// The picture put out: the print commands and the wallpaper commands of the
// main window.
#include <windows.h>

#include <string>

#include "core/messages.h"
#include "devices/print.h"
#include "devices/wallpaper.h"
#include "formats/format_table.h"
#include "formats/pages.h"
#include "formats/status.h"
#include "shell/app.h"
#include "shell/device_commands.h"

namespace lg {

void PrintCommand(App& app) {
    if (!app.current) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return;
    }
    PrintChoice c;
    if (AskPrintChoice(app.instance, app.mainWindow, &c)) PrintPicture(app.mainWindow, app.fileName, app.current, c);
}

void PrintAllPagesCommand(App& app) {
    if (!app.facts.multipage || app.facts.pageCount < 1) return;
    PrintChoice c;
    if (!AskPrintChoice(app.instance, app.mainWindow, &c)) return;
    const bool printed = PrintPages(app.mainWindow, app.fileName, app.facts, c);
    ShowMessage(app.mainWindow, Msg(printed ? MsgId::PrintReady : MsgId::PrintError),
                MB_ICONINFORMATION | MB_TASKMODAL);
    // Back to the page that was shown.
    Status st;
    Image shown = ReadPage(app.fileName, DetectFileFormat(app.fileName), app.facts.currentPage, app.facts, st);
    if (shown) ShowPicture(app, std::move(shown));
}

void SetWallpaper(App& app, bool tiled) {
    if (!app.current) {
        ShowMessage(app.mainWindow, Msg(MsgId::NoPicture), MB_ICONWARNING);
        return;
    }
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    std::string error;
    const bool set = InstallWallpaper(app.current, tiled, &error);
    SetCursor(old);
    if (!set)
        ShowMessage(app.mainWindow, Format(Msg(MsgId::WallpaperSaveError), Msg(MsgId::SaveError), error.c_str()),
                    MB_ICONWARNING);
}

void PreviousWallpaper(App&) { RestorePreviousWallpaper(); }

}  // namespace lg
