#include "dsp/LoaderRun.h"

#include "base/Pacer.h"
#include "config/UParams.h"
#include "dsp/SerialPlan.h"
#include "dsp/UsbLoader.h"
#include "link/UUsb.h"

namespace tarnix {

std::vector<std::string> LoaderView::lines() const {
    std::vector<std::string> out;
    for (const LoaderLabel* l : {&bytes1, &bytes2, &bytes3, &bytes4, &checksum, &checksumPc, &checksumAvr})
        if (l->visible)
            out.push_back(l->text);
    return out;
}

std::optional<std::vector<uint8_t>> ParamImageForLoad(TParams& params) {
    if (!params.LoadParameterFiles())
        return std::nullopt;
    for (int colour = 1; colour <= 3; ++colour)
        params.DeriveParam65(colour);
    return BuildParamImage(params);
}

bool SendParamsUsb(TUsb& usb, TParams& params) {
    auto image = ParamImageForLoad(params);
    return image && SendParamImageUsb(usb, *image);
}

bool ReceiveParamsUsb(TUsb& usb, TParams& params, std::string* saveError) {
    // Names, limits and the values the reply does not carry come from the files. When they cannot
    // be read whole, the set in memory is not a picture of the files, and writing it would lose lines.
    const bool filesRead = params.LoadParameterFiles();
    bool whole = ReceiveParamBlocksUsb(usb, [&](int modeGroup, int colour, const uint8_t* block) {
        for (int p = 10; p <= ParamCount; ++p)
            params.SetValues[static_cast<size_t>(p)][static_cast<size_t>(SetIndex(colour, modeGroup))] =
                block[p];
    });
    if (!whole)
        return false;
    std::string error;
    if (!filesRead)
        error = "the parameter files could not be read, so they were not rewritten";
    else if (!params.SaveParameterFiles(false, &error) && error.empty())
        error = "the parameter files could not be written";
    if (!error.empty()) {
        if (saveError)
            *saveError = error;
        return false;
    }
    return true;
}

bool SendParamsDirect(SerialSink& port, TParams& params) {
    if (!params.LoadParameterFiles())
        return false;
    params.DirectColour = 1;
    params.DirectMode = 1;
    const size_t green = static_cast<size_t>(SetIndex(params.DirectColour, params.DirectMode));
    std::array<uint8_t, 100> values{};
    for (size_t p = 1; p <= ParamCount; ++p)
        values[p] = params.SetValues[p][green];
    // The plan changes parameters 5, 6 and 65 as the send changes them in memory.
    SerialPlan plan = directParamPlan(values);
    for (size_t p = 1; p <= ParamCount; ++p)
        params.SetValues[p][green] = values[p];
    return playSerialPlan(plan, port);
}

namespace {

class Run {
public:
    Run(const LoaderRequest& req, const LoaderViewFn& onChange) : req_(req), onChange_(onChange) {}

    enum class Step { Code, ParamsOnly, Upload };
    LoaderResult go(Step step) {
        switch (step) {
        case Step::Code:
            loadCode();
            break;
        case Step::ParamsOnly:
            if (req_.target == LoadTarget::Serial)
                paramsDirect();
            else
                loadParamsOnly();
            break;
        case Step::Upload:
            uploadParams();
            break;
        }
        return std::move(r_);
    }

private:
    void changed() {
        if (onChange_)
            onChange_(r_.view);
    }
    void set(LoaderLabel& l, std::string text) {
        l.show(std::move(text));
        changed();
    }

    // Forwards to the port, counting the bytes; the progress texts go to the first label.
    class LabelledSink : public SerialSink {
    public:
        LabelledSink(SerialSink& port, Run& run) : port_(port), run_(run) {}
        bool open() override { return port_.open(); }
        bool write(uint8_t byte) override {
            if (!port_.write(byte))
                return false;
            ++run_.r_.serialBytes;
            return true;
        }
        void close() override { port_.close(); }
        void label(const std::string& text) override { run_.set(run_.r_.view.bytes1, text); }

    private:
        SerialSink& port_;
        Run& run_;
    };

    // "$$$DSP_P" and the image; the files are read before the command so that a missing parameter
    // file does not leave the controller waiting for an image that never comes.
    void paramsUsb() {
        bool ok = false;
        if (auto image = ParamImageForLoad(*req_.params))
            ok = StartParamLoadUsb(*req_.usb) && SendParamImageUsb(*req_.usb, *image);
        if (!ok)
            r_.failed = true;
        set(r_.view.bytes2, ok ? DspParamsSentText : DspParamsFailedText);
    }

    void paramsDirect() {
        LabelledSink sink(*req_.serial, *this);
        bool ok = SendParamsDirect(sink, *req_.params);
        if (!ok)
            r_.failed = true;
        // A parameter send that did not happen is not reported as sent.
        set(r_.view.bytes2, ok ? ParamsSentToDspText : DspParamsFailedText);
    }

    void loadCode() {
        auto built = buildLoadImage(req_.paths, req_.target);
        if (!built.ok()) {
            r_.refused = true;
            r_.refusal = built.refusal;
            return;
        }
        const std::vector<uint8_t>& image = built.value->bytes;
        set(r_.view.bytes1, "bytes:  ");
        if (req_.target == LoadTarget::Serial)
            codeSerial(image);
        else
            codeUsb(image);
    }

    void codeUsb(const std::vector<uint8_t>& image) {
        UsbCodeResult code =
            SendCodeUsb(*req_.usb, image, [&](const std::string& t) { set(r_.view.bytes1, t); });
        set(r_.view.bytes1, code.label);
        if (!code.completed)
            r_.failed = true;
        if (req_.flags & LoaderParams)
            paramsUsb();
        if (code.completed) {
            r_.codeCompleted = true;
            r_.pcChecksum = code.pcChecksum;
            r_.kelvoxChecksum = code.kelvoxChecksum;
            r_.view.checksumPc.show(PcChecksumText(code.pcChecksum));
            r_.view.checksumAvr.show(KelvoxChecksumText(code.kelvoxChecksum));
            set(r_.view.checksum, ChecksumHeadingText);
        }
    }

    void codeSerial(const std::vector<uint8_t>& image) {
        LabelledSink sink(*req_.serial, *this);
        if (!playSerialPlan(serialCodePlan(image), sink)) {
            r_.failed = true;
            set(r_.view.bytes1, SerialCodeFailedText);
        }
        if (req_.flags & LoaderParams)
            paramsDirect();
    }

    void loadParamsOnly() {
        set(r_.view.bytes1, SendingParamsText);
        paramsUsb();
    }

    void uploadParams() {
        set(r_.view.bytes1, UploadingParamsText);
        TParams& p = *req_.params;
        bool ok = StartParamUploadUsb(*req_.usb) && ReceiveParamsUsb(*req_.usb, p, &r_.saveError);
        if (ok) {
            r_.view.bytes2.show("Params saved to: " + p.UserParamFile);
            r_.view.bytes3.show("        and : " + p.ExtraParamFile);
            r_.view.bytes4.show("        and : " + p.ExtraDatFile);
            set(r_.view.checksum, DspParamsReceivedText);
            return;
        }
        r_.failed = true;
        if (!r_.saveError.empty()) {
            // Every block arrived; only the files were not written.
            r_.view.bytes2.show("Params not saved: " + r_.saveError);
            set(r_.view.checksum, DspParamsReceivedText);
        } else {
            set(r_.view.checksum, DspParamsReceptionFailedText);
        }
    }

    const LoaderRequest& req_;
    const LoaderViewFn& onChange_;
    LoaderResult r_;
};

} // namespace

LoaderResult LoadCode(const LoaderRequest& request, const LoaderViewFn& onChange) {
    return Run(request, onChange).go(Run::Step::Code);
}

LoaderResult LoadParamsOnly(const LoaderRequest& request, const LoaderViewFn& onChange) {
    return Run(request, onChange).go(Run::Step::ParamsOnly);
}

LoaderResult UploadParams(const LoaderRequest& request, const LoaderViewFn& onChange) {
    return Run(request, onChange).go(Run::Step::Upload);
}

LoaderResult RunLoader(const LoaderRequest& request, const LoaderViewFn& onChange) {
    if (request.flags & LoaderCode)
        return LoadCode(request, onChange);
    if (request.flags & LoaderParams)
        return LoadParamsOnly(request, onChange);
    if (request.flags & LoaderUpload)
        return UploadParams(request, onChange);
    return {};
}

} // namespace tarnix
