#pragma once
// The line-oriented operator control of the simulator: one command per line,
// as typed on the standard input of the command-line program (see README.md).

#include <string>
#include <string_view>

#include "simulator.h"

namespace nuvsim {

enum ControlResult : int { kControlOk = 0, kControlQuit = 1, kControlError = -1 };

// Runs one control line against the simulator. defaultStamp is the call time
// stamp used when a "call" names none. reply receives a short human answer.
ControlResult runControl(Simulator &sim, std::string_view line, std::string_view defaultStamp,
                         std::string &reply);

// Parses --listen's ADDR:PORT[,map|redirect]. Returns false on a bad text.
bool parseListen(std::string_view text, std::string &addr, uint16_t &port, ServerKind &kind);

// Reads hexadecimal bytes, blanks allowed between them; false on an odd
// digit count, a bad character or more than cap bytes.
bool parseHex(std::string_view text, std::string &out, size_t cap);

// The help text listing every control command.
const char *controlHelp();

}  // namespace nuvsim
