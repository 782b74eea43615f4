#include "shell/Globals.h"

#include "base/Files.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace tarnix {

const char* const ProgramVersion = "1.2.0.3";
std::string TempFolder;
std::string DataFileName;
char DspTelemetryRoute = 'U';
bool UsbLinkUp = false;

char RouteFromSetting(int dspTelemetry) {
    return dspTelemetry == 0 ? 'U' : 'S';
}

std::string DataFileBaseName(int hours, int minutes, int seconds, int millis) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "DATA_%02d%02d%02d%03d.RTF", hours, minutes, seconds, millis);
    return buf;
}

void FormTempFiles() {
    TempFolder = programFolder() + "Temp";
    makeFolders(TempFolder);
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    DataFileName = TempFolder + "/" + DataFileBaseName(local.tm_hour, local.tm_min, local.tm_sec, ms);
}

// The addresses are configuration: the maker's pages, a builder's pages and two mailing-list
// archives. They live here so that one place changes them.
const std::vector<WebLink>& WebsiteLinks() {
    static const std::vector<WebLink> links = {
        {"&Home page", "https://www.ornwerks.example/"},
        {"Project &database login", "https://www.ornwerks.example/projects/login"},
        {"&Kelvox main page", "https://www.ornwerks.example/kelvox/"},
        {"Useful facts and hints", "https://www.ornwerks.example/kelvox/hints"},
        {"&Version history", "https://www.ornwerks.example/kelvox/history"},
        {"Do&wnloads", "https://www.ornwerks.example/downloads"},
        {"Kelvox board &construction", "https://builders.ornwerks.example/kelvox-board/"},
        {"Peak reading &SWR meter", "https://www.ornwerks.example/kelvox/swr-meter"},
        {"Kelvox mailing list archive", "https://lists.ornwerks.example/kelvox/"},
        {"Vantor mailing list archive", "https://lists.ornwerks.example/vantor/"},
    };
    return links;
}

const std::vector<WebLink>& ManualChapters() {
    static const std::vector<WebLink> chapters = [] {
        const char* captions[] = {"1 - Introduction",
                                  "2 - Initial setup",
                                  "3 - DDS mode",
                                  "4 - DSP mode",
                                  "5 - DSP monitor",
                                  "6 - CAT",
                                  "7 - Source code",
                                  "X1 - DDS menu Summary",
                                  "X2 - DSP menu summary",
                                  "X3 - Software block diagram",
                                  "X4 - Stereo summary",
                                  "X6 - coloured parameters",
                                  "X7 - DSP OEM commands",
                                  "X8 - parameter remove replace",
                                  "X9 - Denoiser trim untility"};
        const char* files[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7", "X1",
                               "X2", "X3", "X4", "X6", "X7", "X8", "X9"};
        std::vector<WebLink> v;
        for (size_t i = 0; i < std::size(captions); ++i)
            v.push_back({captions[i], std::string("https://www.ornwerks.example/vantor/manual/chapter_") +
                                          files[i] + ".pdf"});
        return v;
    }();
    return chapters;
}

} // namespace tarnix
