#include "app/live_console.h"

namespace tvx::app {

links::PortNames LiveConsole::Names(const std::map<int, std::string>& comm) {
  links::PortNames names;
  for (const auto& [port, device] : comm) names.Set(port, device);
  return names;
}

LiveConsole::LiveConsole(const std::map<int, std::string>& comm)
    : names_(Names(comm)), serial_(names_), window_(serial_, socket_), console_(window_) {
  for (window::Timer* t : {window_.Timer1, window_.Timer3, window_.Timer4}) timers_.Attach(*t);
  console_.Load();
}

LiveConsole::~LiveConsole() {
  static_cast<void>(serial_.SetPortOpen(false));  // on the way out: nobody is left to tell
  socket_.Close();
}

}  // namespace tvx::app
