#include "sim/DspLineDecoder.h"

#include <algorithm>
#include <cstring>

namespace tarnix {

namespace {
constexpr uint8_t kTilde = 0x7E;
// The image tail followed by the start frame.
constexpr uint8_t kEndOfLoad[] = {'#', '#', '#', '#', '#', '#', '#', '$', 'G', 'O', 0, 0, '\r'};
constexpr size_t kStartFrameSize = 6;
} // namespace

void DspLineDecoder::reset() {
    *this = DspLineDecoder();
}

void DspLineDecoder::apply(uint8_t p, uint8_t v) {
    if (p == 111) {
        frames_.push_back({DspFrame::Kind::LoadStart, p, v, {}});
        loadBuf_.clear();
        state_ = State::Image;
        return;
    }
    if (p == 108)
        paramMode_ = v != 0;
    else if (p >= 1 && p <= 99)
        params_[p] = v;
    frames_.push_back({DspFrame::Kind::Pair, p, v, {}});
    state_ = State::AfterPair;
}

void DspLineDecoder::feed(uint8_t b) {
    switch (state_) {
    case State::Idle:
        if (b == kTilde)
            state_ = State::Param;
        else
            ++stray_;
        break;
    case State::Param:
        // A parameter number is never 7E: repeated "~" are taken as sync.
        if (b != kTilde) {
            param_ = b;
            state_ = State::Value;
        }
        break;
    case State::Value:
        apply(param_, b);
        break;
    case State::AfterPair:
        if (b == kTilde)
            state_ = State::AfterPairTilde;
        else {
            ++stray_;
            state_ = State::Idle;
        }
        break;
    case State::AfterPairTilde:
        if (b == kTilde) {
            // 7E p v 7E 7E: the pair was a live change.
            frames_.back().kind = DspFrame::Kind::Change;
            state_ = State::Idle;
        } else {
            param_ = b;
            state_ = State::Value;
        }
        break;
    case State::Image:
        loadBuf_.push_back(b);
        if (loadBuf_.size() >= sizeof kEndOfLoad &&
            std::memcmp(loadBuf_.data() + loadBuf_.size() - sizeof kEndOfLoad, kEndOfLoad,
                        sizeof kEndOfLoad) == 0) {
            lastImage_.assign(loadBuf_.begin(), loadBuf_.end() - kStartFrameSize);
            frames_.push_back({DspFrame::Kind::Image, 0, 0, lastImage_});
            frames_.push_back(
                {DspFrame::Kind::Start, 0, 0, {loadBuf_.end() - kStartFrameSize, loadBuf_.end()}});
            loadBuf_.clear();
            ++starts_;
            state_ = State::Idle;
        }
        break;
    }
}

} // namespace tarnix
