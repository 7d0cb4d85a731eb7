#include "console/offscreen_console.h"

namespace tvx::console {

OffscreenConsole::OffscreenConsole(protocol::Link link) {
  for (window::Timer* t : {w.Timer1, w.Timer3, w.Timer4}) clock.Attach(*t);
  console.Load();
  clock.Advance(kTickMs);  // the start-up port switch settles
  if (link == protocol::Link::Tcp) socket.state = window::kSckConnected;
}

}  // namespace tvx::console
