#include "base/ProfileIni.h"

#include "base/Files.h"
#include "base/Text.h"

namespace tarnix {

ProfileIni ProfileIni::fromText(std::string_view text) {
    ProfileIni ini;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        Line l;
        if (nl == std::string_view::npos) {
            l.text = std::string(text.substr(start));
            start = text.size();
        } else {
            size_t e = nl;
            if (e > start && text[e - 1] == '\r') {
                --e;
                l.eol = "\r\n";
            } else
                l.eol = "\n";
            l.text = std::string(text.substr(start, e - start));
            start = nl + 1;
        }
        ini.lines_.push_back(std::move(l));
    }
    return ini;
}

bool ProfileIni::load(const std::string& path) {
    auto data = readFile(path);
    if (!data) {
        lines_.clear();
        return false;
    }
    *this = fromText(*data);
    return true;
}

std::string ProfileIni::text() const {
    std::string out;
    for (const auto& l : lines_) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

bool ProfileIni::save(const std::string& path, std::string* error) const {
    return writeFileAtomic(path, text(), error);
}

bool ProfileIni::sectionName(const std::string& line, std::string* name) {
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    if (name)
        *name = trim(std::string_view(t).substr(1, close - 1));
    return true;
}

bool ProfileIni::keyName(const std::string& line, std::string* name, size_t* eqPos) {
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    std::string k = trim(std::string_view(line).substr(0, eq));
    if (k.empty() || k.front() == ';' || k.front() == '[')
        return false;
    if (name)
        *name = k;
    if (eqPos)
        *eqPos = eq;
    return true;
}

long ProfileIni::findSection(std::string_view section) const {
    std::string name;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (sectionName(lines_[i].text, &name) && equalsNoCase(name, section))
            return static_cast<long>(i);
    return -1;
}

size_t ProfileIni::sectionEnd(size_t h) const {
    size_t i = h + 1;
    while (i < lines_.size() && !sectionName(lines_[i].text, nullptr))
        ++i;
    return i;
}

long ProfileIni::findKey(size_t header, std::string_view key) const {
    std::string name;
    size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (keyName(lines_[i].text, &name, nullptr) && equalsNoCase(name, key))
            return static_cast<long>(i);
    return -1;
}

std::optional<std::string> ProfileIni::get(std::string_view section, std::string_view key) const {
    long h = findSection(section);
    if (h < 0)
        return std::nullopt;
    long k = findKey(static_cast<size_t>(h), key);
    if (k < 0)
        return std::nullopt;
    size_t eq = 0;
    keyName(lines_[k].text, nullptr, &eq);
    std::string v = trim(std::string_view(lines_[k].text).substr(eq + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

std::string ProfileIni::getString(std::string_view section, std::string_view key,
                                  std::string_view def) const {
    auto v = get(section, key);
    return v ? *v : std::string(def);
}

int ProfileIni::getInt(std::string_view section, std::string_view key, int def) const {
    auto v = get(section, key);
    if (!v)
        return def;
    auto n = parseInt32(*v);
    return n ? *n : def;
}

bool ProfileIni::getBool(std::string_view section, std::string_view key, bool def) const {
    auto v = get(section, key);
    if (!v)
        return def;
    auto n = parseInt(*v);
    return n ? *n != 0 : def;
}

std::string ProfileIni::newEol() const {
    for (const auto& l : lines_)
        if (!l.eol.empty())
            return l.eol;
    return "\n";
}

void ProfileIni::set(std::string_view section, std::string_view key, std::string_view value) {
    long h = findSection(section);
    if (h >= 0) {
        long k = findKey(static_cast<size_t>(h), key);
        if (k >= 0) {
            size_t eq = 0;
            keyName(lines_[k].text, nullptr, &eq);
            lines_[k].text = lines_[k].text.substr(0, eq + 1) + std::string(value);
            return;
        }
        // After the last non-blank line of the section, so trailing blank lines stay between sections.
        size_t end = sectionEnd(static_cast<size_t>(h));
        size_t at = end;
        while (at > static_cast<size_t>(h) + 1 && trim(lines_[at - 1].text).empty())
            --at;
        std::string eol = newEol();
        if (lines_[at - 1].eol.empty())
            lines_[at - 1].eol = eol;
        lines_.insert(lines_.begin() + static_cast<long>(at),
                      Line{std::string(key) + "=" + std::string(value), eol});
        return;
    }
    std::string eol = newEol();
    if (!lines_.empty() && lines_.back().eol.empty())
        lines_.back().eol = eol;
    lines_.push_back(Line{"[" + std::string(section) + "]", eol});
    lines_.push_back(Line{std::string(key) + "=" + std::string(value), eol});
}

void ProfileIni::setInt(std::string_view section, std::string_view key, long long value) {
    set(section, key, std::to_string(value));
}

void ProfileIni::setBool(std::string_view section, std::string_view key, bool value) {
    set(section, key, value ? "1" : "0");
}

bool ProfileIni::hasSection(std::string_view section) const {
    return findSection(section) >= 0;
}

bool ProfileIni::hasKey(std::string_view section, std::string_view key) const {
    long h = findSection(section);
    return h >= 0 && findKey(static_cast<size_t>(h), key) >= 0;
}

std::vector<std::string> ProfileIni::sections() const {
    std::vector<std::string> out;
    std::string name;
    for (const auto& l : lines_) {
        if (!sectionName(l.text, &name))
            continue;
        bool seen = false;
        for (const auto& s : out)
            seen = seen || equalsNoCase(s, name);
        if (!seen)
            out.push_back(name);
    }
    return out;
}

std::vector<std::string> ProfileIni::keys(std::string_view section) const {
    std::vector<std::string> out;
    long h = findSection(section);
    if (h < 0)
        return out;
    std::string name;
    size_t end = sectionEnd(static_cast<size_t>(h));
    for (size_t i = static_cast<size_t>(h) + 1; i < end; ++i)
        if (keyName(lines_[i].text, &name, nullptr))
            out.push_back(name);
    return out;
}

} // namespace tarnix
