// Fuzz target for the settings file parser: lookups and updates on any text.
// The first line of the input names the section, key and value (split at the
// first two '|'); the rest is the file. After an update the key reads back as
// the value written, and a second identical update changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    const size_t eol = all.find('\n');
    const std::string head = all.substr(0, eol);
    const std::string text = eol == std::string::npos ? std::string() : all.substr(eol + 1);
    const size_t a = head.find('|'), b = a == std::string::npos ? a : head.find('|', a + 1);
    if (b == std::string::npos) return 0;
    const std::string section = head.substr(0, a), key = head.substr(a + 1, b - a - 1), value = head.substr(b + 1);

    std::string found;
    (void)lg::ini::Lookup(text, section, key, &found);
    int n = 0;
    (void)lg::ini::ParseInt(found, &n);
    // Names the file format cannot hold are outside the contract.
    for (const std::string* s : {&section, &key, &value})
        if (s->find_first_of("\r\n\0", 0, 3) != std::string::npos) return 0;
    if (section.find(']') != std::string::npos || key.find('=') != std::string::npos || key.empty() ||
        section.empty() || key.find_first_not_of(" \t") != 0 || key.find_last_not_of(" \t") != key.size() - 1 ||
        section.find_first_not_of(" \t") != 0 || section.find_last_not_of(" \t") != section.size() - 1 ||
        key[0] == ';' || key[0] == '[' || value.find_first_not_of(" \t") != 0 ||
        (!value.empty() && value.find_last_not_of(" \t") != value.size() - 1))
        return 0;
    // A value in matching quotes reads back without them, as the profile functions do.
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) return 0;
    const std::string updated = lg::ini::Update(text, section, key, value);
    std::string back;
    if (!lg::ini::Lookup(updated, section, key, &back) || back != value) std::abort();
    if (lg::ini::Update(updated, section, key, value) != updated) std::abort();
    return 0;
}
