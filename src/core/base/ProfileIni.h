#pragma once
// INI files with the behaviour of Windows private-profile files: section and key names are matched
// without regard to case, a missing key gives the caller's default, and writing a key changes only
// that key's line. Every other line (comments, blank lines, unknown keys, lines without "=", odd
// spacing, the line endings) is kept byte for byte. A new key goes at the end of its section, a new
// section at the end of the file. Saving is atomic.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

class ProfileIni {
public:
    ProfileIni() = default;
    static ProfileIni fromText(std::string_view text);

    // Reads the file; false (and an empty profile) when it cannot be read.
    bool load(const std::string& path);
    // Writes the profile atomically; false when that fails (the old file is then untouched).
    bool save(const std::string& path, std::string* error = nullptr) const;
    std::string text() const;

    // The value of the first matching key in the first matching section, blanks trimmed and one
    // pair of enclosing double quotes removed.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    std::string getString(std::string_view section, std::string_view key, std::string_view def) const;
    // A whole decimal number, else def.
    int getInt(std::string_view section, std::string_view key, int def) const;
    // Any non-zero number is true; a missing key or a non-number gives def.
    bool getBool(std::string_view section, std::string_view key, bool def) const;

    void set(std::string_view section, std::string_view key, std::string_view value);
    void setInt(std::string_view section, std::string_view key, long long value);
    void setBool(std::string_view section, std::string_view key, bool value);

    bool hasSection(std::string_view section) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    // Section names in file order (first spelling of each), and the key names of one section.
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

private:
    struct Line {
        std::string text; // without its line ending
        std::string eol;  // "\n", "\r\n" or "" for a last line without one
    };
    std::vector<Line> lines_;

    static bool sectionName(const std::string& line, std::string* name);
    static bool keyName(const std::string& line, std::string* name, size_t* eqPos);
    // Index of the header line of the first matching section, or -1.
    long findSection(std::string_view section) const;
    // One past the last line of the section whose header is at index h.
    size_t sectionEnd(size_t h) const;
    long findKey(size_t header, std::string_view key) const;
    std::string newEol() const;
};

} // namespace tarnix
