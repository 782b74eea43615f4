#include "base/Messages.h"

#include <cstdio>

namespace tarnix {

void Messages::info(const std::string& text, const std::string& caption) {
    show({MsgIcon::Information, text, MsgButtons::Ok, caption});
}
void Messages::warning(const std::string& text, const std::string& caption) {
    show({MsgIcon::Warning, text, MsgButtons::Ok, caption});
}
void Messages::error(const std::string& text, const std::string& caption) {
    show({MsgIcon::Error, text, MsgButtons::Ok, caption});
}
bool Messages::confirm(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) {
    MsgResult r = show({icon, text, buttons, caption});
    return r == MsgResult::Ok || r == MsgResult::Yes;
}

static MsgResult positive(MsgButtons b) {
    switch (b) {
    case MsgButtons::Abort:
        return MsgResult::Abort;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgResult::Yes;
    default:
        return MsgResult::Ok;
    }
}

static MsgResult negative(MsgButtons b) {
    switch (b) {
    case MsgButtons::Abort:
        return MsgResult::Abort;
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
        return MsgResult::Cancel;
    default:
        return MsgResult::Ok;
    }
}

MsgResult ConsoleMessages::show(const Message& m) {
    const char* kind = "";
    switch (m.icon) {
    case MsgIcon::Information:
        kind = "";
        break;
    case MsgIcon::Warning:
        kind = "warning: ";
        break;
    case MsgIcon::Error:
        kind = "error: ";
        break;
    case MsgIcon::Confirmation:
        kind = "confirm: ";
        break;
    }
    std::fprintf(stderr, "%s%s\n", kind, m.text.c_str());
    return answer_ ? positive(m.buttons) : negative(m.buttons);
}

MsgResult RecordingMessages::show(const Message& m) {
    shown_.push_back(m);
    if (!answers_.empty()) {
        MsgResult r = answers_.front();
        answers_.pop_front();
        return r;
    }
    return positive(m.buttons);
}

std::vector<std::string> RecordingMessages::texts() const {
    std::vector<std::string> t;
    for (const auto& m : shown_)
        t.push_back(m.text);
    return t;
}

bool RecordingMessages::contains(const std::string& fragment) const {
    for (const auto& m : shown_)
        if (m.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

namespace {
Messages* current = nullptr;
}

Messages& messages() {
    static ConsoleMessages console;
    return current ? *current : console;
}
void setMessages(Messages* m) {
    current = m;
}

} // namespace tarnix
