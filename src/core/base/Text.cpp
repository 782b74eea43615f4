#include "base/Text.h"

#include <cctype>
#include <charconv>
#include <climits>

namespace tarnix {

static bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

static char up(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
static char low(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string toUpper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = up(c);
    return r;
}

std::string toLower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = low(c);
    return r;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (low(a[i]) != low(b[i]))
            return false;
    return true;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    return toUpper(haystack).find(toUpper(needle)) != std::string::npos;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::optional<long long> parseInt(std::string_view s) {
    std::string t = trim(s);
    std::string_view v(t);
    if (!v.empty() && v.front() == '+')
        v.remove_prefix(1);
    if (v.empty())
        return std::nullopt;
    long long out = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    if (ec != std::errc() || ptr != v.data() + v.size())
        return std::nullopt;
    return out;
}

std::optional<int> parseInt32(std::string_view s) {
    auto v = parseInt(s);
    if (!v || *v < INT_MIN || *v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(*v);
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        size_t e = end;
        if (e > start && text[e - 1] == '\r')
            --e;
        lines.emplace_back(text.substr(start, e - start));
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    return lines;
}

std::string hexBytes(const void* data, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(data);
    std::string r;
    r.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i)
            r += ' ';
        r += digits[p[i] >> 4];
        r += digits[p[i] & 15];
    }
    return r;
}

int hexDigitValue(char c, bool upperOnly) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (!upperOnly && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> parseHexBytes(std::string_view s) {
    std::string out;
    int pending = -1;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == ',' || c == ':') {
            if (pending >= 0)
                return std::nullopt;
            continue;
        }
        int d = hexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        if (pending < 0)
            pending = d;
        else {
            out += static_cast<char>(pending * 16 + d);
            pending = -1;
        }
    }
    if (pending >= 0)
        return std::nullopt;
    return out;
}

} // namespace tarnix
