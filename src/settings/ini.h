// A free-standing reader and writer of private-profile (INI) files with the
// semantics of the Windows profile functions: sections and keys compared
// without regard to case, integers read from leading digits, a default for a
// missing key, an empty value kept as such. A write replaces the file in one
// step, so a crash never leaves half a file behind.
#pragma once

#include <string>

namespace lg::ini {

// The stored text, or `def` when the section or key is missing.
std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& def);
// The stored integer; `def` when missing or without leading digits.
int ReadInt(const std::string& file, const std::string& section, const std::string& key, int def);
// Creates or replaces the key (and the file and section when needed).
bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

// The same rules on text in memory, for the file functions and the tests.
bool Lookup(const std::string& text, const std::string& section, const std::string& key,
            std::string* value);
std::string Update(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value);
// Leading sign and digits as the profile functions read them.
bool ParseInt(const std::string& text, int* out);

}  // namespace lg::ini
