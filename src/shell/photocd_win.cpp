// Paging through the contact sheets of a Photo CD overview pack (key N).
#include <windows.h>

#include "formats/photocd.h"
#include "formats/status.h"
#include "shell/app.h"

namespace lg {

void NextPhotoCdSheet(App& app) {
    if (!app.facts.pcdOverview || !app.current) return;
    const int next = app.facts.pcdSheetStart + kPcdThumbsPerSheet;
    if (next > kPcdLastSheetStart) {
        ShowMessage(app.mainWindow, Format("Photo CD : %s", "No more pictures in file !"), MB_ICONINFORMATION);
        return;
    }
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    Status st;
    Image sheet = ReadPcdOverview(app.fileName, next, app.paletteDisplay, st);
    SetCursor(old);
    if (!sheet) {
        ShowMessage(app.mainWindow, Format("Photo CD : %s", st.error.c_str()), MB_ICONINFORMATION);
        return;
    }
    app.facts.pcdSheetStart = next;
    app.undo = Image();
    ShowPicture(app, std::move(sheet));
}

}  // namespace lg
