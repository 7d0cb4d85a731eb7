#pragma once

#include <functional>
#include <iosfwd>

#include "app/sim/sim_session.h"

class QCoreApplication;

namespace tvx::app {

// `tvxorm sim --headless`: the monitor lines on the file descriptor out (standard output)
// until --for runs out, a stop signal arrives or out cannot be written any more, then the
// final state to --state. Returns 0; 1 when the monitor or the state could not be written
// whole; 2 when the devices file, the state file or a source cannot be used.
int RunSimHeadless(QCoreApplication& app, const SimArgs& args, int out, std::ostream& err);

// What the headless run and the window do their own way around the run they share.
struct SimFrontEnd {
  // The session is made: who is told of its entries. Before any source opens.
  std::function<void(SimSession&)> attach;
  // The sources are open; the event loop is about to run.
  std::function<void()> started;
  // The loop has ended and the sources are closed, or a source could not open (ran false).
  // Its exit status, 0 when all went well.
  std::function<int(bool ran)> finished;
};

// The run both share: the devices, the sources, the event loop until --for runs out, the
// application quits or SIGINT, SIGTERM or SIGHUP arrives, then the state to --state. Returns
// 0, 1 when something could not be written, or 2 when the devices file, the state file or a
// source cannot be used.
int RunSimSession(QCoreApplication& app, const SimArgs& args, std::ostream& err,
                  const SimFrontEnd& front);

}  // namespace tvx::app
