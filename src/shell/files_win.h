// The directory walk, the file operations, batch conversion and the
// slideshow as the main window runs them.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/app.h"

namespace lg {

// Reads the directory list again when forced or when the current directory
// changed, and finds the shown file in it.
void SyncDirList(App& app, bool force);
// The items of the stored directories (not in the command table: the menu
// makes them as it opens); false for any other id.
bool RunRecentDirCommand(App& app, int id);
void RunBatchDialog(App& app);
void RunSlideshowDialog(App& app);
// The slideshow window over a list of full paths; nothing for an empty list.
void StartSlideshow(App& app, std::vector<std::string> list);
void StartDirectorySlideshow(App& app);
void StartListFileSlideshow(App& app, const std::string& listFile);
std::string SlideshowListPath();
// The Open dialog extended by a panel (batch and slideshow): its folder, the
// files named in its file-name field (which is then cleared), dropped files,
// and the notifications both panels answer alike.
std::string OpenDialogFolder(HWND open);
std::vector<std::string> TakeTypedFiles(HWND open);
std::vector<std::string> DroppedFiles(HDROP drop);
UINT_PTR PanelNotify(HWND panel, LPARAM lp, int& filterIndex, const std::function<void()>& add);
// Shows the Open dialog with the panel `templateName` answered by `hook`
// (`data` reaches the hook as the dialog's custom data), starting in the
// last Open directory and restoring the current directory afterwards.
void ShowOpenWithPanel(App& app, const char* title, LPOFNHOOKPROC hook, const char* templateName, void* data);
// A folder picker started at `start`; "" when cancelled.
std::string BrowseForFolder(HWND owner, const std::string& start);

// Before the menu opens: the recent directories and the sort check marks.
void UpdateRecentDirMenu(App& app);

}  // namespace lg
