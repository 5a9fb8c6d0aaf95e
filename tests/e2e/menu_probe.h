// The block the sweep writes into the viewer's process for menu_probe.cpp.
#pragma once

#include <windows.h>

constexpr DWORD kMenuProbeMax = 256;

struct MenuProbeRequest {
    HWND window;  // the viewer's main window, whose menu is read
    DWORD count;
    UINT ids[kMenuProbeMax];
    UINT states[kMenuProbeMax];  // GetMenuState; 0xFFFFFFFF when there is no such item
};
