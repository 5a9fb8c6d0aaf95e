// Loaded into the viewer's process by the command sweep (test_sweep.cpp): Wine
// keeps a menu private to the process that made it, so the states of the
// menu items are read from a thread inside that process.
#include <windows.h>

#include "menu_probe.h"

// The thread's start routine: fills in the states of the items asked for;
// 1 when the main window has a menu, 0 when not.
extern "C" __declspec(dllexport) DWORD WINAPI ReadMenuStates(void* request) {
    auto* r = static_cast<MenuProbeRequest*>(request);
    HMENU menu = r->window ? GetMenu(r->window) : nullptr;
    if (!menu) return 0;
    for (DWORD i = 0; i < r->count && i < kMenuProbeMax; ++i)
        r->states[i] = GetMenuState(menu, r->ids[i], MF_BYCOMMAND);
    return 1;
}
