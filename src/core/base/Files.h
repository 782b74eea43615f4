#pragma once
// File helpers: whole-file reads, atomic writes, and the program's folders.
#include <optional>
#include <string>
#include <string_view>

namespace tarnix {

// The whole file as bytes; nullopt when it cannot be opened.
std::optional<std::string> readFile(const std::string& path);

// Writes through a temporary file in the same folder, flushed to disk, then renamed over the target,
// so a crash or a full disk never leaves a half-written file. On failure the target is untouched and
// *error (when given) says why.
bool writeFileAtomic(const std::string& path, std::string_view data, std::string* error = nullptr);

// Appends one line (a newline is added). Used for logs, where atomic replacement is not wanted.
bool appendLine(const std::string& path, std::string_view line);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
bool makeFolders(const std::string& path);

// The user's home folder.
std::string homeFolder();
// Writable program folder: $XDG_DATA_HOME/tarnix/ (default ~/.local/share/tarnix/), with a trailing "/".
std::string programFolder();
// The per-user settings file: $XDG_CONFIG_HOME/ornwerks/Tarnix.ini (default ~/.config/...).
std::string settingsFilePath();
// Read-only program files (demo folder, help): the source tree's share/ when running from a build,
// else the install prefix's share/tarnix/. TARNIX_SHARE overrides both.
std::string shareFolder();

// Stored paths may come from a Windows installation: backslashes become slashes.
std::string toPosixPath(std::string path);
// Joins a folder and a name with exactly one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace tarnix
