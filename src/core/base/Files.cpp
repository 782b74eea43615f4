#include "base/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tarnix {

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return data;
}

static bool fail(std::string* error, const std::string& what) {
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}

bool writeFileAtomic(const std::string& path, std::string_view data, std::string* error) {
    fs::path target(path);
    fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return fail(error, "cannot create a temporary file beside " + path);
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int saved = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            errno = saved;
            return fail(error, "cannot write " + path);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // Keep the permissions of the file being replaced; new files get the usual 0644 less umask.
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::fsync(fd) != 0) {
        int saved = errno;
        ::close(fd);
        ::unlink(tmpl.c_str());
        errno = saved;
        return fail(error, "cannot write " + path);
    }
    if (::close(fd) != 0) {
        ::unlink(tmpl.c_str());
        return fail(error, "cannot write " + path);
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(tmpl.c_str());
        errno = saved;
        return fail(error, "cannot replace " + path);
    }
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool appendLine(const std::string& path, std::string_view line) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out)
        return false;
    out << line << '\n';
    return static_cast<bool>(out);
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool folderExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool makeFolders(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::string homeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h)
        return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

static std::string xdgDir(const char* var, const char* fallback) {
    if (const char* v = std::getenv(var); v && *v == '/')
        return v;
    return homeFolder() + "/" + fallback;
}

std::string programFolder() {
    return xdgDir("XDG_DATA_HOME", ".local/share") + "/tarnix/";
}

std::string settingsFilePath() {
    return xdgDir("XDG_CONFIG_HOME", ".config") + "/ornwerks/Tarnix.ini";
}

std::string shareFolder() {
    if (const char* v = std::getenv("TARNIX_SHARE"); v && *v)
        return v;
    if (folderExists(TARNIX_SOURCE_SHARE))
        return TARNIX_SOURCE_SHARE;
    return TARNIX_INSTALL_SHARE;
}

std::string toPosixPath(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    std::string n = name;
    while (!n.empty() && n.front() == '/')
        n.erase(n.begin());
    if (folder.back() == '/')
        return folder + n;
    return folder + "/" + n;
}

} // namespace tarnix
