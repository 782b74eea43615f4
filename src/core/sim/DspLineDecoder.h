#pragma once
// The DSP's side of the serial line: takes the bytes the PC writes and turns them into frames.
//
//   7E p v           a parameter pair (p 1..99 sets that parameter; 108 switches parameter mode;
//                    111 starts a load)
//   7E p v 7E 7E     a live parameter change from the DSP window (same effect as the pair)
//   after (111, x)   the load image, up to and including its tail of seven "#", then the start frame
//                    "$GO" 00 00 CR
//
// Bytes outside any frame are counted and dropped, as a real DSP would ignore line noise.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnix {

struct DspFrame {
    enum class Kind : uint8_t { Pair, Change, LoadStart, Image, Start };
    Kind kind = Kind::Pair;
    uint8_t param = 0;
    uint8_t value = 0;
    std::vector<uint8_t> bytes; // Image: the load image as received
};

class DspLineDecoder {
public:
    // Feeds one byte; frames complete as their last byte arrives (a pair turns into a change when
    // the two closing "~" follow it).
    void feed(uint8_t b);
    void feed(const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            feed(p[i]);
    }

    const std::vector<DspFrame>& frames() const { return frames_; }
    const std::array<uint8_t, 100>& params() const { return params_; }
    bool paramMode() const { return paramMode_; }
    bool loading() const { return state_ == State::Image; }
    // The last complete load image and how many loads ended with the start frame.
    const std::vector<uint8_t>& image() const { return lastImage_; }
    int starts() const { return starts_; }
    size_t strayBytes() const { return stray_; }
    void reset();

private:
    enum class State : uint8_t { Idle, Param, Value, AfterPair, AfterPairTilde, Image };
    void apply(uint8_t p, uint8_t v);

    State state_ = State::Idle;
    uint8_t param_ = 0;
    std::vector<DspFrame> frames_;
    std::array<uint8_t, 100> params_{};
    bool paramMode_ = false;
    std::vector<uint8_t> loadBuf_;
    std::vector<uint8_t> lastImage_;
    int starts_ = 0;
    size_t stray_ = 0;
};

} // namespace tarnix
