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
