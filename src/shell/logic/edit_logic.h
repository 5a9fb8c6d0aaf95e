// Arithmetic and tables behind the editing and saving dialogs: which colour
// counts the depth dialog offers, the filter radio buttons of the Resize
// dialog, the Save dialog's proposed name and type, and the pages of the
// options property sheets as tables of controls and settings keys.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "shell/resource_ids.h"

namespace lg {

// --- Decrease color depth (dialog 200) ---------------------------------------
constexpr int kDepth256 = IDC_DEPTH_256, kDepth16 = IDC_DEPTH_16, kDepth2 = IDC_DEPTH_2;
struct DepthChoice {
    bool enable256 = true, enable16 = true;
    int preselected = kDepth256;  // radio button checked on opening
};
DepthChoice DepthDialogChoice(int bitCount);
// The colour count the checked button asks for.
int ColorsOfDepthButton(int button);

// --- Resize dialog (111) -----------------------------------------------------
constexpr int kFirstFilterRadio = IDC_RESIZE_HERMITE, kLastFilterRadio = IDC_RESIZE_BSPLINE;
int FilterRadio(int filter);      // 1 -> the first filter radio ... anything else -> the last
int FilterOfRadio(int radio);     // the first filter radio -> 1 ... the last or none -> 5

// --- Save dialog ---------------------------------------------------------------
// The file name proposed: the base name without directory and extension;
// "Clipboard" and "ScanImage" for the pseudo-names.
std::string ProposedSaveName(const std::string& fileName);
// The type preselected by Save from the current name's extension (1..9).
int SaveFilterForName(const std::string& fileName);
// Drive and directory of a chosen name, without the last separator.
std::string ChosenDirectory(const std::string& path);

// --- Options pages -------------------------------------------------------------
// A control on an options page and the key it edits.
enum class FieldKind { Check, Number, Text, Radio, Scroll };
struct OptionField {
    int control;
    Setting setting;
    FieldKind kind;
    int value;                // Radio: the value the button stands for; Scroll: its value text
    const char* whenMissing;  // shown while the key is absent (null: the key's default)
    int highest;              // Number: shown no higher than this (0: no limit); Scroll: upper end
    const char* whenEmpty;    // Number: stored for an empty or non-numeric entry
    int fallback;             // Radio: shown when the stored value has no button (-1: none)
};
OptionField CheckField(int control, Setting s);
OptionField NumberField(int control, Setting s, int highest = 0, const char* whenEmpty = nullptr);
OptionField TextField(int control, Setting s);
OptionField RadioField(int control, Setting s, int value, int fallback = -1, const char* whenMissing = nullptr);
OptionField ScrollField(int control, Setting s, int valueText, int highest);

// The clear button of a page: empties every text field of the page.
constexpr int kClearButton = IDC_OPTDIRS_CLEAR;

struct OptionPage {
    const char* templateName;  // dialog resource of the page
    std::vector<OptionField> fields;
};

// The pages of "&Properties" and of the save options sheet, in order.
const std::vector<OptionPage>& PropertyPages();
const std::vector<OptionPage>& SaveOptionPages();

// Values of a page's keys as text, by key.
using OptionValues = std::map<Setting, std::string>;

// What a page shows on first opening; `stored` gives the key's stored text
// or null when the key is absent.
OptionValues ShownValues(const OptionPage& page, const std::map<Setting, const char*>& stored);
// What the keys mean to their users now (absent keys at their defaults),
// as the page would write them: the base to tell changes from.
OptionValues EffectiveValues(const OptionPage& page, const std::map<Setting, const char*>& stored);
// The text a field stores for what its control holds.
std::string NumberFieldText(const OptionField& f, const std::string& typed);
// The keys OK writes: every key whose value differs from `before`, plus
// both window coordinates set to 0 when the window position stops being
// remembered.
std::vector<std::pair<Setting, std::string>> OptionWrites(const OptionValues& before, const OptionValues& after);

}  // namespace lg
