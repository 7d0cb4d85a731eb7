#pragma once

#include <iosfwd>

#include "app/sim_session.h"

class QCoreApplication;

namespace tvx::app {

// `tvxorm sim --headless`: the monitor lines on out until --for runs out or SIGINT or SIGTERM
// arrives, then the final state to --state. Returns 0, or 2 when the devices file or a source
// cannot be used.
int RunSimHeadless(QCoreApplication& app, const SimArgs& args, std::ostream& out,
                   std::ostream& err);

// Stops the event loop at --for's end and at SIGINT or SIGTERM.
void StopOnSignalsAndTime(QCoreApplication& app, const SimArgs& args);

}  // namespace tvx::app
