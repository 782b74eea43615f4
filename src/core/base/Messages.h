#pragma once
// The one way the program tells the user something or asks for a confirmation. The GUI shows
// message boxes; the command-line tool prints; tests record and answer.
#include <deque>
#include <string>
#include <vector>

namespace tarnix {

enum class MsgIcon { Information, Warning, Error, Confirmation };
enum class MsgButtons { Ok, Abort, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Abort, Yes, No };

struct Message {
    MsgIcon icon;
    std::string text;
    MsgButtons buttons;
    std::string caption;
};

class Messages {
public:
    virtual ~Messages() = default;
    virtual MsgResult show(const Message& m) = 0;

    void info(const std::string& text, const std::string& caption = {});
    void warning(const std::string& text, const std::string& caption = {});
    void error(const std::string& text, const std::string& caption = {});
    // True when the user chose OK (or Yes).
    bool confirm(const std::string& text, const std::string& caption = {},
                 MsgButtons buttons = MsgButtons::OkCancel, MsgIcon icon = MsgIcon::Confirmation);
};

// Writes every message to standard error; confirmations are answered with the given default.
class ConsoleMessages : public Messages {
public:
    explicit ConsoleMessages(bool confirmAnswer = true) : answer_(confirmAnswer) {}
    MsgResult show(const Message& m) override;

private:
    bool answer_;
};

// Keeps every message; answers come from a queue, then the positive default of the buttons.
class RecordingMessages : public Messages {
public:
    MsgResult show(const Message& m) override;
    void answerNext(MsgResult r) { answers_.push_back(r); }
    const std::vector<Message>& shown() const { return shown_; }
    std::vector<std::string> texts() const;
    bool contains(const std::string& fragment) const;
    void clear() { shown_.clear(); }

private:
    std::vector<Message> shown_;
    std::deque<MsgResult> answers_;
};

// The program-wide service. Until one is installed, messages go to a ConsoleMessages.
Messages& messages();
void setMessages(Messages* m);

} // namespace tarnix
