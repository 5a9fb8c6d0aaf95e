// Paging through multipage TIFF and DCX files in the main window and in the
// full-screen window: the page commands, extracting every page, and showing
// page k again after printing them all.
#pragma once

#include "formats/pages.h"
#include "shell/app.h"

namespace lg {

// Next, previous, first or last page.
void PageCommandRun(App& app, PageCommand cmd);
// Every page written as a BMP file into a directory the user chooses.
void ExtractPagesCommand(App& app);
// Reads page `page` of the current file and shows it; on failure the picture
// shown stays and the reader's text is shown. False when it was not read.
bool ShowPage(App& app, int page);

}  // namespace lg
