#pragma once
// Program-wide state shared by the windows.
#include <string>
#include <vector>

namespace tarnix {

extern const char* const ProgramVersion; // "1.2.0.3"
extern std::string TempFolder;           // program folder + "Temp"
extern std::string DataFileName;         // the summary windows' scratch RTF file
extern char DspTelemetryRoute;           // 'U': DSP traffic through the controller, 'S': serial port
extern bool UsbLinkUp;                   // true while the controller answers the status poll

// DSP traffic route from the "dsptelemetry" setting: 0 gives 'U', anything else 'S'.
char RouteFromSetting(int dspTelemetry);

// The start-up step's folder and scratch file: TempFolder := program folder + "Temp" (created when
// missing), DataFileName := TempFolder + "/DATA_" + time as hhmmsszzz + ".RTF".
void FormTempFiles();
// "DATA_" + hhmmsszzz + ".RTF" for the given time of day.
std::string DataFileBaseName(int hours, int minutes, int seconds, int millis);

struct WebLink {
    std::string caption;
    std::string url;
};
// The "Website links" menu (without "&About") and the chapters of the DSP transceiver manual.
const std::vector<WebLink>& WebsiteLinks();
const std::vector<WebLink>& ManualChapters();

} // namespace tarnix
