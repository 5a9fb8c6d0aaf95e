// Paths, settings and the test fixture shared by the end-to-end test files.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "driver.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Unix paths from the build reach Wine programs through drive Z:.
std::string WinPath(std::string p) {
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string DataDir() { return WinPath(Env("LUMAGROVE_E2E_DATA")); }
std::string Exe() { return WinPath(Env("LUMAGROVE_EXE")); }
std::string IniPath() { return e2e::WindowsDirectory() + "\\LUMAGR32.INI"; }

void WriteIni(const std::string& text) {
    std::ofstream(IniPath(), std::ios::binary) << text;
}

using e2e::PictureTop;

// Removes a directory with everything in it.
void RemoveTree(const std::string& d) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((d + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string p = d + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
            else { SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL); DeleteFileA(p.c_str()); }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(d.c_str());
}

// Line i of a list box of the viewer. Across processes the list's text
// arrives as UTF-16 whatever was asked; it is returned in this driver's
// code page.
std::string ListLine(HWND list, int i) {
    wchar_t wide[1024] = L"";
    SendMessageTimeoutW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide), SMTO_BLOCK, 5000, nullptr);
    char text[3 * 1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// The text of the status field on the toolbar.
std::string StatusOf(HWND w) {
    HWND bar = FindWindowExA(w, nullptr, "ToolbarWindow32", nullptr);
    HWND status = bar ? FindWindowExA(bar, nullptr, "Static", nullptr) : nullptr;
    return status ? e2e::Title(status) : std::string("(no status field)");
}

// A test that starts from no settings file and ends the viewer it started.
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("LUMAGROVE_EXE").empty()) << "LUMAGROVE_EXE not set";
        DeleteFileA(IniPath().c_str());
    }
    void TearDown() override { e2e::Stop(v); }
    // Posts a command and waits until the viewer has carried it out.
    void Command(int id) {
        e2e::SendCommand(v, id);
        ASSERT_TRUE(e2e::Sync(v)) << "command " << id << " does not finish";
    }
    e2e::Viewer v;
};

}  // namespace
