#include "link/CommandCatalogue.h"

#include <stdexcept>
#include <string>

namespace tarnix {

namespace {

CommandInfo order(std::string_view text, std::string_view purpose, int payload, std::string_view slots) {
    CommandInfo c;
    c.text = text;
    c.purpose = purpose;
    c.payloadBytes = payload;
    c.schedulerSlots = slots;
    return c;
}

CommandInfo query(std::string_view text, std::string_view purpose, int reply, int pauseR,
                  std::string_view slots) {
    CommandInfo c;
    c.text = text;
    c.purpose = purpose;
    c.reply = ReplyKind::Block;
    c.replyBytes = reply;
    c.pauseBeforeReply = pauseR;
    c.schedulerSlots = slots;
    return c;
}

CommandInfo withPauses(CommandInfo c, int p, int a) {
    c.pauseBeforePayload = p;
    c.pauseAfterChunk = a;
    return c;
}

CommandInfo then(CommandInfo c, std::string_view next) {
    c.then = next;
    return c;
}

std::vector<CommandInfo> build() {
    std::vector<CommandInfo> v;
    v.push_back(query("$$$CFG_Z", "firmware version", 9, 50, "0"));
    v.push_back(order("$$$CTL_R", "MOX: back to receive", 0, "MOX"));
    v.push_back(order("$$$CTL_T", "MOX: to transmit", 0, "MOX"));

    v.push_back(withPauses(order("$$$RTC_S", "set clock date and time", 7, "1"), 40, 0));
    v.push_back(query("$$$RTC_R", "read clock date and time", 7, 50, "2"));
    v.push_back(
        then(withPauses(order("$$$RTC_X", "set clock output frequency", 1, "3"), 40, 400), "$$$RTC_Y"));
    v.push_back(query("$$$RTC_Y", "read clock output frequency", 1, 50, "4"));
    v.push_back(
        then(withPauses(order("$$$RTC_C", "set ISL1220 analogue trimming", 1, "5"), 40, 40), "$$$RTC_D"));
    v.push_back(query("$$$RTC_D", "read ISL1220 analogue trimming", 1, 50, "6"));
    v.push_back(
        then(withPauses(order("$$$RTC_E", "set DS3231 aging register", 1, "7"), 40, 400), "$$$RTC_F"));
    v.push_back(query("$$$RTC_F", "read DS3231 aging register", 1, 50, "8"));
    v.push_back(then(withPauses(order("$$$RTC_A", "set local time offset", 1, "9"), 40, 400), "$$$RTC_B"));
    v.push_back(query("$$$RTC_B", "read local time offset", 1, 50, "10"));

    v.push_back(query("$$$CFG_R", "read hardware configuration block", 96, 200, "11, 22"));
    v.push_back(order("$$$CFG_W", "write hardware configuration block", 96, "23"));
    v.push_back(query("$$$CFG_P", "read TFT board I2C address", 1, 200, "12"));
    v.push_back(order("$$$CFG_Q", "write TFT board I2C address", 1, "13"));
    v.push_back(query("$$$CFG_M", "read TFT board signature row bytes 0 to 15", 16, 100, "14"));
    v.push_back(withPauses(order("$$$CFG_N", "write one signature row byte", 3, "15"), 0, 1000));

    v.push_back(query("$$$DDS_S", "DDS status and frequencies", 28, 50, "16, 19"));
    v.push_back(order("$$$DDS_F", "set a VFO frequency", 5, "18"));
    v.push_back(then(withPauses(order("$$$DDS_B", "band or button action", 3, "19"), 0, 50), "$$$DDS_S"));

    // EEPROM save (read from the controller) and load (written to it), in transfer order.
    v.push_back(query("$$$CFG_S", "EEPROM save: configuration block", 124, 50, "20"));
    v.push_back(query("$$$CFG_T", "EEPROM save: CW offset block", 5, 50, "20"));
    v.push_back(query("$$$S_STK_L", "EEPROM save: band stack (last used)", 80, 300, "20"));
    v.push_back(query("$$$S_STK_S", "EEPROM save: band stack (SSB)", 80, 300, "20"));
    v.push_back(query("$$$S_STK_C", "EEPROM save: band stack (CW)", 80, 300, "20"));
    v.push_back(query("$$$S_STK_7", "EEPROM save: memory group 7", 48, 300, "20"));
    v.push_back(query("$$$S_STK_8", "EEPROM save: memory group 8", 48, 300, "20"));
    v.push_back(query("$$$S_STK_9", "EEPROM save: memory group 9", 48, 300, "20"));
    v.push_back(query("$$$S_STK_0", "EEPROM save: memory group 0", 48, 300, "20"));
    v.push_back(query("$$$S_STK_V", "EEPROM save: power-on and VFO memories", 64, 300, "20"));
    v.push_back(query("$$$S_I2C_D", "EEPROM save: I2C tasks", 40, 300, "20"));
    v.push_back(query("$$$S_I2C_L", "EEPROM save: I2C task labels", 96, 300, "20"));
    v.push_back(query("$$$S_I2C_I", "EEPROM save: I2C device settings", 24, 300, "20"));
    v.push_back(withPauses(order("$$$CFG_I", "EEPROM load: configuration block", 124, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$CFG_J", "EEPROM load: CW offset block", 5, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_L", "EEPROM load: band stack (last used)", 80, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_S", "EEPROM load: band stack (SSB)", 80, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_C", "EEPROM load: band stack (CW)", 80, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_7", "EEPROM load: memory group 7", 48, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_8", "EEPROM load: memory group 8", 48, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_9", "EEPROM load: memory group 9", 48, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_0", "EEPROM load: memory group 0", 48, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_STK_V", "EEPROM load: power-on and VFO memories", 64, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_I2C_D", "EEPROM load: I2C tasks", 40, "21"), 0, 1000));
    v.push_back(withPauses(order("$$$L_I2C_L", "EEPROM load: I2C task labels", 96, "21"), 0, 1000));
    v.push_back(order("$$$L_I2C_I", "EEPROM load: I2C device settings (last block)", 24, "21"));

    v.push_back(order("$$$CFG_D", "DDS clock frequency", 4, "24"));
    v.push_back(order("$$$CFG_U", "USB IF offset", 4, "25"));
    v.push_back(order("$$$CFG_L", "LSB IF offset", 4, "26"));
    v.push_back(order("$$$CFG_C", "CW offset", 5, "28"));

    v.push_back(query("$$$SWR_A", "live forward and reflected ADC readings", 4, 50, "27"));
    {
        CommandInfo c = order("$$$SWR_C", "load SWR/power calibration", 72, "38");
        c.count = CountField::Be16;
        c.chunkBytes = 64;
        c.pauseBeforePayload = 40;
        c.pauseAfterCount = 40;
        c.reply = ReplyKind::Word;
        c.replyBytes = 2;
        c.pauseBeforeReply = 200;
        v.push_back(c);
    }
    v.push_back(query("$$$SWR_F", "SWR meter full-scale values", 4, 50, "32, 33"));
    v.push_back(query("$$$SWR_S", "SWR and power readings", 6, 50, "34"));

    v.push_back(query("$$$DSP_A", "DSP state block", 113, 50, "30"));
    v.push_back(query("$$$DSP_G", "DSP parameter values of the shown group", 90, 50, "30"));
    v.push_back(query("$$$DSP_T", "DSP telemetry", 30, 50, "39, MOX"));
    v.push_back(order("$$$DSP_Q", "set one DSP parameter", 2, "42"));
    v.push_back(order("$$$DSP_B", "restore one DSP parameter from the backup copy", 3, "35"));
    v.push_back(order("$$$DSP_L", "select the DSP colour set", 2, "41"));
    v.push_back(order("$$$DSP_W", "copy the current DSP parameters to the backup copy", 0, "36"));
    {
        CommandInfo c = order("$$$DSP_C", "load DSP code into the controller EEPROM", -1, "43, 44");
        c.count = CountField::Be16;
        c.chunkBytes = 64;
        c.pauseAfterChunk = 10;
        c.reply = ReplyKind::Word;
        c.replyBytes = 2;
        c.pauseBeforeReply = 10;
        v.push_back(c);
    }
    {
        CommandInfo c = order("$$$DSP_P", "load DSP parameters into the controller EEPROM", 1048, "43, 50");
        c.chunkBytes = 64;
        c.pauseAfterChunk = 20;
        v.push_back(c);
    }
    {
        CommandInfo c = query("$$$DSP_S", "upload DSP parameters from the controller", 100, 200, "51");
        c.replyBlocks = 6;
        v.push_back(c);
    }
    {
        CommandInfo c = order("$$$DSP_V", "load AD603 calibration curve", 42, "40");
        c.pauseBeforeCommand = 1000;
        v.push_back(c);
    }

    v.push_back(withPauses(order("$$$DIA_W", "write the processor's port registers", 11, "45"), 0, 500));
    {
        CommandInfo c = query("$$$DIA_R", "read the processor's port registers", 11, 0, "46");
        c.pauseAfterReply = 500;
        v.push_back(c);
    }
    v.push_back(order("$$$L_I2C_M", "set the mixer DAC value", 2, "47"));
    v.push_back(order("$$$L_I2C_S", "set the squarer DAC value", 2, "47"));
    v.push_back(query("$$$S_I2C_C", "read both DAC values", 4, 200, "48"));
    {
        CommandInfo c = order("$$$CFG_F", "program the TFT display flash", -1, "49");
        c.count = CountField::Le32;
        c.chunkBytes = 128;
        c.pauseBeforePayload = 1;
        c.pauseAfterCount = 10;
        c.pauseAfterChunk = 40;
        c.reply = ReplyKind::Word;
        c.replyBytes = 2;
        c.pauseBeforeReply = 600;
        v.push_back(c);
    }
    for (auto [text, purpose] :
         {std::pair<std::string_view, std::string_view>{"$$$DBG_V", "controller variable list"},
          {"$$$DBG_P", "controller port list"}}) {
        CommandInfo c = order(text, purpose, 0, "37, buttons");
        c.reply = ReplyKind::Text;
        c.pauseBeforeReply = 4000;
        v.push_back(c);
    }
    return v;
}

} // namespace

const std::vector<CommandInfo>& commandCatalogue() {
    static const std::vector<CommandInfo> catalogue = build();
    return catalogue;
}

const CommandInfo* findCommand(std::string_view text) {
    for (const auto& c : commandCatalogue())
        if (c.text == text)
            return &c;
    return nullptr;
}

const CommandInfo& command(std::string_view text) {
    if (const CommandInfo* c = findCommand(text))
        return *c;
    throw std::logic_error("not a controller command: " + std::string(text));
}

const std::vector<std::string_view>& eepromSaveCommands() {
    static const std::vector<std::string_view> v{
        "$$$CFG_S",   "$$$CFG_T",   "$$$S_STK_L", "$$$S_STK_S", "$$$S_STK_C", "$$$S_STK_7", "$$$S_STK_8",
        "$$$S_STK_9", "$$$S_STK_0", "$$$S_STK_V", "$$$S_I2C_D", "$$$S_I2C_L", "$$$S_I2C_I"};
    return v;
}

const std::vector<std::string_view>& eepromLoadCommands() {
    static const std::vector<std::string_view> v{
        "$$$CFG_I",   "$$$CFG_J",   "$$$L_STK_L", "$$$L_STK_S", "$$$L_STK_C", "$$$L_STK_7", "$$$L_STK_8",
        "$$$L_STK_9", "$$$L_STK_0", "$$$L_STK_V", "$$$L_I2C_D", "$$$L_I2C_L", "$$$L_I2C_I"};
    return v;
}

} // namespace tarnix
