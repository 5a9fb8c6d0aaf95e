// The file types the viewer can own in the shell: one row per check box of
// the "Associations" page, and the registry writes each row asks for when it
// is ticked or given back. Key names are relative to the classes root.
#pragma once

#include <string>
#include <vector>

namespace lg {

constexpr const char kProgramClass[] = "Lumagrove32";

enum class AssocRule {
    Plain,      // the dotted extensions name the program class; given back: deleted or the old class
    Bmp,        // .bmp, with or without the thumbnail class Paint.Picture
    IconClass,  // icofile, curfile, anifile keep their class; its open command is ours
    MediaA,     // avifile
    MediaB,     // SoundRec, midfile
    MediaC,     // mpegfile, movfile, aifffile
    None,       // a check box without registry writes of its own
};

struct AssocRow {
    const char* label;       // the check box text
    int control;             // its dialog control
    const char* key;         // settings key in section Extensions
    const char* extensions;  // without dots, separated by blanks
    AssocRule rule;
    const char* className;   // the system class of IconClass and Media rows
    const char* restoreName; // Plain: the class given back on Windows 98; IconClass: the type name
};

// Every row, in the order in which they are applied ("&Use Thumbnail for BMPs"
// included; "Other:" is not a row).
const std::vector<AssocRow>& AssociationRows();

struct RegWrite {
    enum Kind { SetDefault, DeleteKey } kind;
    std::string key;
    std::string value;
    bool operator==(const RegWrite& o) const { return kind == o.kind && key == o.key && value == o.value; }
};

// What the writes are built from.
struct AssocContext {
    bool windows98 = false;
    std::string exePath;       // the viewer's executable
    std::string windowsDir;    // with or without a trailing backslash
    std::string pbrushPath;    // where PBRUSH.EXE was found; empty when not
    bool thumbnailBmp = true;  // "&Use Thumbnail for BMPs" is ticked
};

std::string QuotedOpenCommand(const std::string& exe);  // "exe" "%1"
std::string PlainOpenCommand(const std::string& exe);   // exe %1
std::string IconReference(const std::string& exe, int icon);

std::vector<RegWrite> TickedWrites(const AssocRow& row, const AssocContext& c);
std::vector<RegWrite> RestoreWrites(const AssocRow& row, const AssocContext& c);
// "Other:" extensions: each blank ends a name; empty names are skipped.
std::vector<std::string> SplitOtherExtensions(const std::string& text);
// The program class itself, written at the first paint.
std::vector<RegWrite> ProgramClassWrites(const std::string& caption, const std::string& exe);

}  // namespace lg
