// The shell-integration pages of the options sheet: "Associations" (which
// file types open in the viewer) and "Other Options" (the desktop link).
#pragma once

#include <windows.h>

#include <map>

#include "shell/logic/associations.h"
#include "shell/resource_ids.h"

namespace lg {

struct App;

// Dialog templates of the two pages.
constexpr int kAssociationsTemplate = DLG_ASSOCIATIONS, kOtherOptionsTemplate = DLG_OTHER_OPTIONS;

// What the "Associations" page keeps between its showings within one sheet:
// the caller of the sheet owns it and hands it to the page as its lParam.
struct AssociationsPage {
    App* app = nullptr;
    bool captured = false;
    std::map<int, bool> ticked;  // by control
    AssocContext context;
};

INT_PTR CALLBACK AssociationsPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK OtherOptionsPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp);

// Writes the program class under the classes root; once per process.
void RegisterProgramClass(App& app);
// A shortcut to the viewer on the desktop; false when it could not be saved.
bool CreateDesktopLink();

}  // namespace lg
