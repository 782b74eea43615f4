#include "base/PathCase.h"

#include "base/Text.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace tarnix {

std::string resolvePathNoCase(const std::string& path) {
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec))
        return path;
    fs::path p(path);
    fs::path base = p.root_path();
    bool changed = false, missing = false;
    for (const fs::path& part : p.relative_path()) {
        fs::path next = base / part;
        if (!missing && !fs::exists(next, ec)) {
            std::vector<std::string> matches;
            fs::path dir = base.empty() ? fs::path(".") : base;
            for (const auto& e : fs::directory_iterator(dir, ec))
                if (equalsNoCase(e.path().filename().string(), part.string()))
                    matches.push_back(e.path().filename().string());
            if (matches.empty()) {
                missing = true; // the rest stays as given
            } else {
                std::sort(matches.begin(), matches.end());
                next = base / matches.front();
                changed = true;
            }
        }
        base = next;
    }
    return changed ? base.string() : path;
}

} // namespace tarnix
