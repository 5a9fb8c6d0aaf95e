// Batch conversion: many picture files into one output type and directory,
// one line per file and result, never overwriting an existing output. The
// loop is shared by the viewer's progress window and the converter's batch
// form; the caller shows the lines and says when to stop.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "formats/convert_file.h"

namespace lg {

// The output types: the save types of the format table, counted from 0.
int BatchTypeCount();
// The output type's list text and extension word; an index outside the list
// counts as 0 (JPG).
std::string BatchTypeText(int type);
const char* BatchTypeWord(int type);
// The type whose word equals `word` without regard to case; -1 if none.
int BatchTypeOf(const std::string& word);

// "DIR" + base name without extension + "." + word; `outDir` ends with a separator.
std::string BatchOutputName(const std::string& outDir, const std::string& input, const char* word);

struct BatchUi {
    std::function<void(int i, int n)> starting;   // before file i (1-based) of n
    std::function<bool()> stopRequested;          // checked before each file
    std::function<void(const std::string&)> line; // a progress line
};

struct BatchSummary {
    int converted = 0;
    int errors = 0;
    bool stopped = false;
};

// Converts every file with the caller's options; `outDir` is created when missing.
BatchSummary RunBatch(const std::vector<std::string>& files, const std::string& outDir, int type,
                      const BatchUi& ui, const ConvertOptions& opt);

// The closing line: "%d errors".
std::string BatchSummaryLine(const BatchSummary& s);

}  // namespace lg
