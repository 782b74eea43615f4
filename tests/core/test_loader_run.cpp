// One loader run as the loading window performs it, against the simulated controller (USB) and the
// DSP simulator on a pseudo-terminal (serial), on a copy of the demo Vantor folder.
#include "LinkTestSupport.h"

#include "base/Files.h"
#include "config/UParams.h"
#include "dsp/CalCurve.h"
#include "dsp/LoadImage.h"
#include "dsp/LoaderRun.h"
#include "dsp/SerialPlan.h"
#include "dsp/UsbLoader.h"
#include "sim/PtyDsp.h"
#include "sim/SimFault.h"
#include "sim/SimFirmware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

class LoaderRunTest : public test::LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        dir = fs::temp_directory_path() / ("tarnix-loader-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy(TARNIX_DEMO_DIR, dir / "vantor", fs::copy_options::recursive);
        vantor = (dir / "vantor").string();
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        params = std::make_unique<TParams>(vantor, "User2B2.KVQ");
    }
    void TearDown() override {
        LinkTest::TearDown();
        unsetenv("XDG_DATA_HOME");
        fs::remove_all(dir);
    }

    LoaderRequest usbRequest(int flags) {
        LoaderRequest r;
        r.flags = flags;
        r.paths = loadPaths(vantor, "VANTOR2b1x.kvq");
        r.params = params.get();
        r.usb = &usb;
        return r;
    }
    std::vector<uint8_t> image(LoadTarget t) {
        auto built = buildLoadImage(loadPaths(vantor, "VANTOR2b1x.kvq"), t);
        EXPECT_TRUE(built.ok()) << built.refusal.message;
        return built.ok() ? built.value->bytes : std::vector<uint8_t>{};
    }
    // The parameter image the demo's files give (parameter 65 derived as the load derives it).
    std::vector<uint8_t> demoParamImage() {
        TParams p(vantor, "User2B2.KVQ");
        auto img = ParamImageForLoad(p);
        EXPECT_TRUE(img.has_value());
        return img.value_or(std::vector<uint8_t>{});
    }
    std::string file(const std::string& rel) { return readFile(vantor + "/" + rel).value_or("<missing>"); }

    fs::path dir;
    std::string vantor;
    std::unique_ptr<TParams> params;
};

} // namespace

TEST_F(LoaderRunTest, CodeAndParamsArriveAndBothChecksumsAreShown) {
    connected();
    std::vector<std::string> progress;
    auto r = RunLoader(usbRequest(LoaderCode | LoaderParams),
                       [&](const LoaderView& v) { progress.push_back(v.bytes1.text); });
    const auto img = image(LoadTarget::Usb);
    const std::string sum = std::to_string(pcChecksum(img));
    EXPECT_EQ(r.view.lines(),
              (Lines{"DSP code: " + std::to_string(img.size()) + " bytes sent", DspParamsSentText,
                     ChecksumHeadingText, "Checksum on code bytes as sent from PC  =  " + sum,
                     "Checksum on code bytes as received by Kelvox  =  " + sum}));
    EXPECT_FALSE(r.failed);
    EXPECT_TRUE(r.codeCompleted);
    EXPECT_EQ(r.kelvoxChecksum, r.pcChecksum);
    EXPECT_EQ(progress.front(), "bytes:  ");
    EXPECT_NE(std::find(progress.begin(), progress.end(), "bytes:  64"), progress.end());
    EXPECT_EQ(sim->controller(0).state().eeprom["dspcode"], img);
    EXPECT_EQ(sim->controller(0).state().eeprom["dspparams"], demoParamImage());
}

TEST_F(LoaderRunTest, TransferFaultsGiveTheirTexts) {
    struct Case {
        const char* fault;
        int flags;
        Lines lines;
    } cases[] = {
        // The controller gone at the command: no checksums; the parameter step still runs (and fails).
        {"DSP_C:vanish=0", LoaderCode | LoaderParams, {DspHeaderFailedText, DspParamsFailedText}},
        {"DSP_C:vanish=500", LoaderCode, {DspCodeFailedText}},
        {"DSP_P:vanish=100", LoaderParams, {SendingParamsText, DspParamsFailedText}},
        {"DSP_S:vanish=0", LoaderUpload, {UploadingParamsText, DspParamsReceptionFailedText}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        connected();
        sim->addFault(*parseSimFault(c.fault));
        auto r = RunLoader(usbRequest(c.flags));
        EXPECT_EQ(r.view.lines(), c.lines);
        EXPECT_TRUE(r.failed);
        EXPECT_FALSE(r.codeCompleted);
        usb.CloseLink();
    }
}

TEST_F(LoaderRunTest, UploadWritesTheSetsOfTheControllerIntoTheFiles) {
    connected();
    ASSERT_FALSE(RunLoader(usbRequest(LoaderParams)).failed);
    // The controller's sets change (as the DSP window's "copy to backup" would change them).
    Bytes& eeprom = sim->controller(0).state().eeprom["dspparams"];
    eeprom[simfw::paramOffset(simfw::setBlock(2, 1), 21)] = 33; // CW green, parameter 21
    const std::string before = file("User2B2.KVQ");

    auto r = RunLoader(usbRequest(LoaderUpload));
    EXPECT_EQ(r.view.lines(), (Lines{UploadingParamsText, "Params saved to: " + params->UserParamFile,
                                     "        and : " + params->ExtraParamFile,
                                     "        and : " + params->ExtraDatFile, DspParamsReceivedText}));
    EXPECT_FALSE(r.failed);
    EXPECT_NE(file("User2B2.KVQ"), before);
    TParams again(vantor, "User2B2.KVQ");
    ASSERT_TRUE(again.LoadParameterFiles());
    EXPECT_EQ(again.SetValues[21][SetIndex(1, 2)], 33);
    // The other sets came back as they were loaded.
    for (int p : {21, 51, 63})
        for (int colour = 1; colour <= 3; ++colour)
            EXPECT_EQ(again.SetValues[p][SetIndex(colour, 1)], params->SetValues[p][SetIndex(colour, 1)])
                << p;
}

TEST_F(LoaderRunTest, UploadFailingOnItsFourthBlockLeavesTheFilesAlone) {
    connected();
    // Every value of the controller's sets differs from the files'.
    std::fill(sim->controller(0).state().eeprom["dspparams"].begin(),
              sim->controller(0).state().eeprom["dspparams"].end(), 42);
    sim->addFault(*parseSimFault("DSP_S:short=250"));
    const std::string user = file("User2B2.KVQ"), extra = file("Filters/xparams.kvq"),
                      dat = file("Filters/xparams.dat");

    auto r = RunLoader(usbRequest(LoaderUpload));
    EXPECT_EQ(r.view.lines(), (Lines{UploadingParamsText, DspParamsReceptionFailedText}));
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(file("User2B2.KVQ"), user);
    EXPECT_EQ(file("Filters/xparams.kvq"), extra);
    EXPECT_EQ(file("Filters/xparams.dat"), dat);
    // SSB green, yellow and red arrived and stay in memory; the CW sets were not received.
    for (int colour = 1; colour <= 3; ++colour) {
        EXPECT_EQ(params->SetValues[50][SetIndex(colour, 1)], 42);
        EXPECT_NE(params->SetValues[50][SetIndex(colour, 2)], 42);
    }
}

TEST_F(LoaderRunTest, UploadDoesNotRewriteFilesThatDidNotLoad) {
    connected();
    // A user file that stops half-way: writing the set back would lose its later lines.
    std::string user = file("User2B2.KVQ");
    const size_t cut = user.find("\r\n", user.size() / 2);
    user.insert(cut + 2, "broken line\r\n");
    ASSERT_TRUE(writeFileAtomic(vantor + "/User2B2.KVQ", user));
    auto r = RunLoader(usbRequest(LoaderUpload));
    EXPECT_TRUE(r.failed);
    EXPECT_FALSE(r.saveError.empty());
    EXPECT_EQ(r.view.bytes2.text, "Params not saved: " + r.saveError);
    EXPECT_EQ(r.view.checksum.text, DspParamsReceivedText);
    EXPECT_EQ(file("User2B2.KVQ"), user);
}

TEST_F(LoaderRunTest, MissingFilesSendNothing) {
    connected();
    const int before = sim->controller(0).commandsDone();

    fs::remove(dir / "vantor" / "VANTOR2b1x.kvq");
    auto r = RunLoader(usbRequest(LoaderCode | LoaderParams));
    EXPECT_TRUE(r.refused);
    EXPECT_FALSE(r.refusal.logged);
    EXPECT_EQ(r.refusal.message, "Cannot find your DSP code file:  " + vantor + "/VANTOR2b1x.kvq");
    EXPECT_TRUE(r.view.lines().empty());

    // Without the parameter file, "$$$DSP_P" is not sent either (the controller would wait for an
    // image that never comes).
    fs::remove(dir / "vantor" / "User2B2.KVQ");
    r = RunLoader(usbRequest(LoaderParams));
    EXPECT_EQ(r.view.lines(), (Lines{SendingParamsText, DspParamsFailedText}));
    EXPECT_TRUE(shown.contains("Cannot find your parameter file:  " + vantor + "/User2B2.KVQ"));
    EXPECT_EQ(sim->controller(0).commandsDone(), before);
}

TEST_F(LoaderRunTest, DirectLoadToTheDspOnAPseudoTerminal) {
    PtyDsp dsp;
    ASSERT_TRUE(dsp.ok()) << dsp.error();
    dsp.start();
    FdSerialSink port(dsp.devicePath());
    LoaderRequest req;
    req.target = LoadTarget::Serial;
    req.flags = LoaderCode | LoaderParams;
    req.paths = loadPaths(vantor, "VANTOR2b1x.kvq");
    req.params = params.get();
    req.serial = &port;
    auto r = RunLoader(req);
    const auto img = image(LoadTarget::Serial);
    EXPECT_EQ(r.view.lines(), (Lines{"DSP codes: " + std::to_string(img.size()) + " bytes send to DSP.",
                                     ParamsSentToDspText}));
    EXPECT_FALSE(r.failed);
    ASSERT_TRUE(dsp.waitForBytes(r.serialBytes, 5000));
    EXPECT_EQ(dsp.received().size(), r.serialBytes);
    EXPECT_EQ(dsp.image(), img);
    EXPECT_EQ(dsp.starts(), 1);
    EXPECT_EQ(dsp.strayBytes(), 0u);
    EXPECT_FALSE(dsp.paramMode());
    // The green SSB set as sent, parameters 5 and 6 cleared and 65 derived in memory as on the line.
    const auto& green = params->SetValues;
    EXPECT_EQ(green[5][SetIndex(1, 1)], 0);
    EXPECT_EQ(green[65][SetIndex(1, 1)], DerivedParam65(green[63][SetIndex(1, 1)]));
    for (int p = 1; p <= ParamCount; ++p) {
        if (green[p][SetIndex(1, 1)] < 254) {
            EXPECT_EQ(dsp.params()[p], green[p][SetIndex(1, 1)]) << p;
        }
    }
    EXPECT_EQ(params->DirectColour, 1);
    EXPECT_EQ(params->DirectMode, 1);
    dsp.stop();
}

TEST_F(LoaderRunTest, DirectLoadReportsAPortThatFailsAndParametersNotSent) {
    FdSerialSink gone((dir / "no-such-port").string());
    LoaderRequest req;
    req.target = LoadTarget::Serial;
    req.flags = LoaderCode | LoaderParams;
    req.paths = loadPaths(vantor, "VANTOR2b1x.kvq");
    req.params = params.get();
    req.serial = &gone;
    auto r = RunLoader(req);
    EXPECT_EQ(r.view.lines(), (Lines{SerialCodeFailedText, DspParamsFailedText}));
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.serialBytes, 0u);

    // A missing parameter file is not reported as sent, and nothing is written for it.
    PtyDsp dsp;
    ASSERT_TRUE(dsp.ok()) << dsp.error();
    dsp.start();
    FdSerialSink port(dsp.devicePath());
    req.serial = &port;
    req.flags = LoaderParams;
    fs::remove(dir / "vantor" / "Filters" / "xparams.kvq");
    r = RunLoader(req);
    EXPECT_EQ(r.view.lines(), (Lines{DspParamsFailedText}));
    EXPECT_EQ(r.serialBytes, 0u);
    dsp.stop();
}

TEST_F(LoaderRunTest, CalCurveGoesInFileOrderAfterItsPause) {
    connected();
    ASSERT_TRUE(params->LoadAD603Table());
    std::array<uint8_t, 42> curve;
    std::copy(params->AD603Table.begin(), params->AD603Table.end(), curve.begin());
    clock.clear();
    EXPECT_TRUE(SendCalCurve(usb, curve));
    EXPECT_EQ(clock.pauses().front(), 1000);
    EXPECT_EQ(sim->controller(0).state().eeprom["ad603"], Bytes(curve.begin(), curve.end()));
    // Entry 0 is characters 3 and 4 of the file's first line.
    EXPECT_EQ(curve[0], std::stoi(file("Filters/AD603.dat").substr(2, 2), nullptr, 16));

    sim->addFault(*parseSimFault("DSP_V:vanish=20"));
    EXPECT_FALSE(SendCalCurve(usb, curve));
}
