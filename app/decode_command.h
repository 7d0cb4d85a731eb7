#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tvx::app {

// `tvxorm decode [--json] [TOKEN_TEXT... | --hex HEX | --file FILE | -]`, given the arguments
// after "decode": one line per packet or stray run, as text or as JSON; from standard input
// each as soon as it is complete. Returns 0 when every item is a packet, 1 when one is not, 2
// for bad usage, unreadable input or output that could not be written.
int RunDecode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);

}  // namespace tvx::app
