#include "shell/LogError.h"

#include "base/Files.h"
#include "base/Messages.h"

#include <ctime>

namespace tarnix {

std::string logErrorText(int number, const std::string& u, const std::string& V, long long a, long long b,
                         long long c, long long d) {
    return "Tarnix logged error no " + std::to_string(number) + "     u=" + u + "    V=" + V +
           "    a=" + std::to_string(a) + "  b=" + std::to_string(b) + "  c=" + std::to_string(c) +
           "  d=" + std::to_string(d) + "  ";
}

std::string errorLogPath() {
    return programFolder() + "tarnix_error.log";
}

void LogError(int number, const std::string& u, const std::string& V, long long a, long long b, long long c,
              long long d) {
    std::string text = logErrorText(number, u, V, a, b, c, d);
    messages().warning(text);
    std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    makeFolders(programFolder());
    appendLine(errorLogPath(), std::string(stamp) + "   " + text);
}

} // namespace tarnix
