// The resource scripts, the ids header and the command table agree: the .rc
// files name every command, template and control through the header, each
// name there stands for one number, and the tooltips are the toolbar's.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "shell/logic/commands.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kShell = fs::path(lgtest::SourceDir()) / "src" / "shell";

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The words of a line: runs of letters, digits, '_' and '-'; anything else separates.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string w;
    for (char c : line + " ") {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') {
            w += c;
        } else if (!w.empty()) {
            words.push_back(w);
            w.clear();
        }
    }
    return words;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The header as it reads: each name with its value, and for a control the
// template it is listed under.
struct Header {
    std::map<std::string, std::string> value;  // name -> number, or the word a template is called
    std::map<std::string, std::string> owner;  // IDC_ name -> DLG_ name above it
};

Header ReadHeader() {
    Header h;
    std::string dialog;
    for (const std::string& line : Lines(ReadText(kShell / "resource_ids.h"))) {
        const std::vector<std::string> w = Words(line);
        if (line.rfind("#define ", 0) != 0 || w.size() != 3 || line.find('(') != std::string::npos) continue;
        const std::string name = w[1];
        h.value[name] = w[2];
        if (name.rfind("DLG_", 0) == 0) dialog = name;
        if (name.rfind("IDC_", 0) == 0 && !dialog.empty()) h.owner[name] = dialog;
    }
    return h;
}

// What the .rc files say, statement by statement.
struct Control {
    std::string file, dialog, id;
};
struct Scripts {
    std::vector<std::string> files;           // those that use a name of the header
    std::set<std::string> including;          // those that include it
    std::vector<std::string> resourceIds;     // ids of templates, icons, cursors, bitmaps, version
    std::vector<std::pair<std::string, std::string>> dialogs;  // file, id
    std::vector<Control> controls;
    std::vector<std::string> strings;         // ids of the string table
};

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The id of a control statement: the first argument, or the second when
// the first is its text.
std::string ControlId(const std::string& args) {
    std::string rest = args;
    if (!rest.empty() && rest[0] == '"') {
        size_t end = 1;
        while (end < rest.size() && !(rest[end] == '"' && (end + 1 >= rest.size() || rest[end + 1] != '"')))
            end += rest[end] == '"' ? 2 : 1;
        size_t comma = rest.find(',', end);
        if (comma == std::string::npos) return std::string();
        rest = rest.substr(comma + 1);
    }
    const std::vector<std::string> w = Words(rest.substr(0, rest.find(',')));
    return w.size() == 1 ? w[0] : std::string();
}

Scripts ReadScripts() {
    Scripts s;
    const std::set<std::string> kControls = {"LTEXT",        "CTEXT",           "RTEXT",    "PUSHBUTTON",
                                             "DEFPUSHBUTTON", "AUTOCHECKBOX",   "CHECKBOX", "AUTORADIOBUTTON",
                                             "RADIOBUTTON",  "GROUPBOX",        "CONTROL",  "EDITTEXT",
                                             "LISTBOX",      "COMBOBOX",        "SCROLLBAR", "ICON"};
    const std::set<std::string> kResources = {"DIALOGEX", "DIALOG", "ICON", "CURSOR", "BITMAP", "VERSIONINFO"};
    for (const auto& entry : fs::directory_iterator(kShell)) {
        if (entry.path().extension() != ".rc") continue;
        const std::string file = entry.path().filename().string();
        s.files.push_back(file);
        std::string dialog;
        bool inStrings = false;
        const std::vector<std::string> lines = Lines(ReadText(entry.path()));
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string line = lines[i];
            while (!line.empty() && line.back() == ',' && i + 1 < lines.size()) line += lines[++i];  // continued
            if (line == "#include \"resource_ids.h\"") s.including.insert(file);
            if (line.empty() || StartsWith(line, "//") || StartsWith(line, "#")) continue;
            const std::vector<std::string> w = Words(line);
            const bool indented = line[0] == ' ';
            if (!indented && w.size() >= 2 && kResources.count(w[1])) {
                s.resourceIds.push_back(w[0]);
                if (StartsWith(w[1], "DIALOG")) {
                    dialog = w[0];
                    s.dialogs.push_back({file, dialog});
                }
                continue;
            }
            if (line == "STRINGTABLE") inStrings = true;
            if (line == "END") dialog.clear(), inStrings = false;
            if (inStrings && indented && !w.empty() && line.find(w[0] + ",") != std::string::npos)
                s.strings.push_back(w[0]);
            if (!dialog.empty() && indented && !w.empty() && kControls.count(w[0])) {
                const size_t args = line.find(w[0]) + w[0].size();
                s.controls.push_back({file, dialog, ControlId(line.substr(line.find_first_not_of(' ', args)))});
            }
        }
    }
    return s;
}

bool IsNumber(const std::string& s) {
    size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// "40" and three more digits, standing alone.
bool HasCommandNumber(const std::string& line) {
    for (size_t i = line.find("40"); i != std::string::npos; i = line.find("40", i + 1)) {
        if (i + 5 > line.size() || (i > 0 && IsWordChar(line[i - 1]))) continue;
        if (!std::isdigit(static_cast<unsigned char>(line[i + 2])) ||
            !std::isdigit(static_cast<unsigned char>(line[i + 3])) ||
            !std::isdigit(static_cast<unsigned char>(line[i + 4])))
            continue;
        if (i + 5 == line.size() || !IsWordChar(line[i + 5])) return true;
    }
    return false;
}

class ResourceIds : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "reads the source tree: the native run covers it";
#endif
        header = ReadHeader();
        scripts = ReadScripts();
        ASSERT_GT(header.value.size(), 200u) << "the header was not read";
        ASSERT_GE(scripts.files.size(), 5u) << "the .rc files were not found";
    }
    int ValueOf(const std::string& name) const {
        auto it = header.value.find(name);
        return it == header.value.end() || !IsNumber(it->second) ? -1 : std::stoi(it->second);
    }
    Header header;
    Scripts scripts;
};

TEST_F(ResourceIds, TheHeaderHoldsEveryCommandOfTheTableOnce) {
    std::map<int, std::vector<std::string>> names;
    for (const auto& [name, value] : header.value)
        if (StartsWith(name, "CMD_") && name != "CMD_RECENT_DIR") names[std::stoi(value)].push_back(name);
    for (const lg::CommandInfo& c : lg::Commands()) {
        EXPECT_EQ(names[c.id].size(), 1u) << "command " << c.id;
        names.erase(c.id);
    }
    for (const auto& [value, unused] : names) ADD_FAILURE() << unused.front() << " (" << value << ") is no command";
    EXPECT_EQ(ValueOf("CMD_RECENT_DIR"), 10075);  // the stored directories' items, by their old numbers
}

TEST_F(ResourceIds, ScriptsNameEverythingThroughTheHeader) {
    for (const std::string& file : scripts.files) EXPECT_TRUE(scripts.including.count(file)) << file;
    const std::set<std::string> kSystem = {"IDOK", "IDCANCEL", "stc32", "VS_VERSION_INFO"};
    for (const std::string& id : scripts.resourceIds)
        EXPECT_TRUE(header.value.count(id) || kSystem.count(id)) << "resource " << id << " is not named";
    for (const Control& c : scripts.controls) {
        if (c.id == "-1" || kSystem.count(c.id)) continue;
        EXPECT_TRUE(StartsWith(c.id, "IDC_") && header.value.count(c.id))
            << c.file << ", " << c.dialog << ": control " << c.id << " is not a name of the header";
    }
    for (const std::string& id : scripts.strings)
        EXPECT_TRUE(StartsWith(id, "CMD_") && header.value.count(id)) << "string " << id << " is not a command";
}

TEST_F(ResourceIds, EachTemplateOnceAndItsControlsApart) {
    std::map<std::string, int> templates;
    for (const auto& [file, dialog] : scripts.dialogs) ++templates[dialog];
    for (const auto& [name, value] : header.value)
        if (StartsWith(name, "DLG_")) {
            EXPECT_EQ(templates[name], 1) << name << " in the .rc files";
        }
    std::set<std::string> words;  // two templates called alike would be one resource
    for (const auto& [name, value] : header.value)
        if (StartsWith(name, "DLG_")) {
            EXPECT_TRUE(words.insert(value).second) << name << " = " << value;
        }

    std::map<std::string, std::map<int, std::string>> numbers;  // dialog -> value -> control
    std::set<std::string> used;                                  // "DLG_x IDC_y"
    for (const Control& c : scripts.controls) {
        const int v = ValueOf(c.id);
        if (!StartsWith(c.id, "IDC_") || v < 0) continue;
        used.insert(c.dialog + " " + c.id);
        auto [it, fresh] = numbers[c.dialog].insert({v, c.id});
        EXPECT_TRUE(fresh) << c.dialog << ": " << c.id << " and " << it->second << " are both " << v;
    }
    // A control the code addresses by a name is in the template it is listed under.
    for (const auto& [control, dialog] : header.owner)
        EXPECT_TRUE(used.count(dialog + " " + control)) << control << " is not a control of " << dialog;
}

TEST_F(ResourceIds, TooltipsAreThoseOfTheToolbarButtons) {
    std::set<int> buttons, tips;
    for (const lg::ToolbarEntry& e : lg::ToolbarButtons())
        if (e.command) buttons.insert(e.command);
    for (const std::string& id : scripts.strings) EXPECT_TRUE(tips.insert(ValueOf(id)).second) << id << " twice";
    EXPECT_EQ(tips, buttons);
}

// Command numbers stand in the header only; everything else uses its names.
TEST_F(ResourceIds, NoCommandNumberOutsideTheHeader) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(lgtest::SourceDir()) / "src")) {
        if (!entry.is_regular_file() || entry.path().filename() == "resource_ids.h") continue;
        const auto lines = Lines(ReadText(entry.path()));
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_FALSE(HasCommandNumber(lines[i]))
                << entry.path().string() << ":" << i + 1 << ": " << lines[i];
    }
}

}  // namespace
