#pragma once
#include "base/Messages.h"

class QWidget;

namespace tarnix {

// Message boxes for the program's messages, parented to the active window.
class QtMessages : public Messages {
public:
    MsgResult show(const Message& m) override;
};

} // namespace tarnix
