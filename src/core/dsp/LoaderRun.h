#pragma once
// One run of the DSP loader, as the loading window performs it: the code (with or without the
// parameter sets) into the controller's EEPROM over USB, the parameter sets alone, the upload of the
// parameter sets back into the files, or the code and the green SSB parameters straight to the DSP
// over the serial port. The result is the loading window's labels, so the window and the
// command-line tool show the same lines.
#include "dsp/LoadImage.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnix {

class SerialSink;
class TParams;
class TUsb;

// What to do, as the flag bits of the loading window.
enum LoaderFlags : int {
    LoaderCode = 1,
    LoaderParams = 2,
    LoaderUpload = 4,
};

constexpr const char* ChecksumHeadingText = "Checksum verification of DSP code transmission:";
constexpr const char* SendingParamsText = "Sending default parameters to Kelvox";
constexpr const char* UploadingParamsText = "Uploading parameters from Kelvox";
constexpr const char* ParamsSentToDspText = "Params sent to DSP";
// The serial line has no acknowledgement; this is shown only when the port itself fails.
constexpr const char* SerialCodeFailedText = "DSP code transmission by serial port failed";

// One label of the loading window: its text and whether it is shown.
struct LoaderLabel {
    std::string text;
    bool visible = false;
    void show(std::string t) {
        text = std::move(t);
        visible = true;
    }
};

// The labels of the loading window, in the order the window lays them out.
struct LoaderView {
    LoaderLabel bytes1;      // progress and code result
    LoaderLabel bytes2;      // parameter result; saved file 1 after an upload
    LoaderLabel bytes3;      // saved file 2 after an upload
    LoaderLabel bytes4;      // saved file 3 after an upload
    LoaderLabel checksum;    // the checksum heading; the upload result
    LoaderLabel checksumPc;  // "Checksum on code bytes as sent from PC  =  N"
    LoaderLabel checksumAvr; // "Checksum on code bytes as received by Kelvox  =  N"

    // The texts of the shown labels, in layout order.
    std::vector<std::string> lines() const;
};

// Called whenever a label changes (the window copies the view into its labels; pending messages
// run afterwards inside the transfer, so the change is painted).
using LoaderViewFn = std::function<void(const LoaderView&)>;

struct LoaderRequest {
    LoadTarget target = LoadTarget::Usb;
    int flags = 0;   // LoaderFlags
    LoadPaths paths; // code file, filter list, filter folder
    TParams* params = nullptr;
    TUsb* usb = nullptr;          // USB target
    SerialSink* serial = nullptr; // serial target
};

struct LoaderResult {
    LoaderView view;
    // The image could not be built (a missing or refused file): nothing was sent and the window
    // closes by itself. refusal.message is the text for the user unless refusal.logged.
    bool refused = false;
    LoadRefusal refusal;
    // Something was not sent or received whole (a failed header, code block, parameter write, upload
    // block, a parameter file that could not be read or written, a serial port that failed).
    bool failed = false;
    // A code transfer completed over USB and the two checksums are known.
    bool codeCompleted = false;
    uint16_t pcChecksum = 0;
    uint16_t kelvoxChecksum = 0;
    // An upload received every block but the files could not be written: why.
    std::string saveError;
    // Bytes written to the serial line (serial target).
    size_t serialBytes = 0;
};

// The loading window's start timer: LoadCode when the code flag is set, else LoadParamsOnly when the
// parameter flag is set, else UploadParams when the upload flag is set.
LoaderResult RunLoader(const LoaderRequest& request, const LoaderViewFn& onChange = {});

// Builds the image and sends it: over USB the code (when the code flag is set), then the parameter
// sets (when that flag is set), then the two checksums; over the serial port the code, then the green
// SSB parameters. A missing or refused file gives a refused result and sends nothing.
LoaderResult LoadCode(const LoaderRequest& request, const LoaderViewFn& onChange = {});
// The parameter sets alone ("$$$DSP_P" over USB; the green SSB values over the serial port).
LoaderResult LoadParamsOnly(const LoaderRequest& request, const LoaderViewFn& onChange = {});
// "$$$DSP_S" and the parameter sets back into the files.
LoaderResult UploadParams(const LoaderRequest& request, const LoaderViewFn& onChange = {});

// The parameter image of the set, for "$$$DSP_P": the parameter files are read again and parameter 65
// derived for the three colours first. nullopt when the files cannot be read.
std::optional<std::vector<uint8_t>> ParamImageForLoad(TParams& params);

// After "$$$DSP_P": the parameter files, parameter 65, the image, the 64-byte writes.
bool SendParamsUsb(TUsb& usb, TParams& params);

// After "$$$DSP_S": the parameter files for names, limits and the values the reply does not carry,
// the six sets from the reply into the set in memory (each as it arrives), then the files written.
// False when a block is short or malformed (the files are not written; the sets already received stay
// in memory) or when the files cannot be written (*saveError says why).
bool ReceiveParamsUsb(TUsb& usb, TParams& params, std::string* saveError = nullptr);

// The green SSB values to the DSP over the serial port, framed by parameter mode on and off.
// False when the parameter files cannot be read (nothing is written) or the port fails.
bool SendParamsDirect(SerialSink& port, TParams& params);

} // namespace tarnix
