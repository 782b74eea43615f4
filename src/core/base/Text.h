#pragma once
// Small text helpers shared by the file formats.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

std::string trim(std::string_view s);
std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);
// ASCII letters compared without regard to case.
bool equalsNoCase(std::string_view a, std::string_view b);
bool containsNoCase(std::string_view haystack, std::string_view needle);
bool startsWith(std::string_view s, std::string_view prefix);

// A whole decimal integer (surrounding blanks allowed, optional sign); nullopt for anything else,
// including numbers that do not fit in 64 bits.
std::optional<long long> parseInt(std::string_view s);
// The same for a 32-bit value.
std::optional<int> parseInt32(std::string_view s);

// Splits into lines at LF, dropping a CR before it. A last line without LF is kept.
std::vector<std::string> splitLines(std::string_view text);

// The value of one hexadecimal digit, or -1; with upperOnly, "a" to "f" are not digits.
int hexDigitValue(char c, bool upperOnly = false);

// Upper-case hexadecimal pairs separated by single spaces ("24 24 00").
std::string hexBytes(const void* data, size_t n);
// Parses hexadecimal digit pairs, blanks allowed between them; nullopt on anything else.
std::optional<std::string> parseHexBytes(std::string_view s);

} // namespace tarnix
