#pragma once
// Settings for the command-line verbs: the same store as the program's windows use.
#include "Cli.h"

#include <string>

namespace tarnix {

// Loads the main settings into RegIniData, with the Vantor folder of --vantor (when given) in place of
// the stored one; savers then leave the stored folder alone.
void loadSettingsForCli(cli::Context& ctx);
// The Vantor folder for this run (--vantor, else the loaded setting) as a Linux path.
std::string cliVantorFolder(const cli::Context& ctx);

} // namespace tarnix
