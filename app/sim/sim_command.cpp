#include "app/sim/sim_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <ostream>

#include "app/files.h"
#include "app/stop_signals.h"

namespace tvx::app {

namespace {

// Stops the event loop at --for's end.
void StopAtTime(QCoreApplication& app, const SimArgs& args) {
  if (!args.for_ms) return;
  auto* end = new QTimer(&app);
  end->setSingleShot(true);
  end->setTimerType(Qt::PreciseTimer);
  QObject::connect(end, &QTimer::timeout, &app, &QCoreApplication::quit);
  // Qt timers take an int; a longer run is as good as endless.
  end->start(static_cast<int>(std::min<std::int64_t>(*args.for_ms, 2'000'000'000)));
}

}  // namespace

int RunSimSession(QCoreApplication& app, const SimArgs& args, std::ostream& err,
                  const SimFrontEnd& front) {
  // Caught from the start, so that a stop while the sources open still removes their links.
  StopSignals stop;
  QObject::connect(&stop, &StopSignals::Stop, &app, &QCoreApplication::quit);
  // A state file that could never be written is better told now than after a long run.
  if (!args.state.empty()) {
    if (const std::string why = SaveFileRefusal(args.state); !why.empty()) {
      err << "tvxorm sim: --state " << Quoted(args.state) << ": " << why << std::endl;
      return 2;
    }
  }
  auto devices = LoadDevices(args.devices);
  if (const auto* error = std::get_if<std::string>(&devices)) {
    err << "tvxorm sim: " << *error << std::endl;
    return 2;
  }
  SimSession session(std::get<std::vector<sim::DeviceEntry>>(std::move(devices)));
  if (front.attach) front.attach(session);
  if (const auto error = session.Open(args)) {
    if (front.finished) front.finished(false);
    err << "tvxorm sim: " << *error << std::endl;
    return 2;
  }
  if (front.started) front.started();
  StopAtTime(app, args);
  app.exec();
  session.Close();
  int status = front.finished ? front.finished(true) : 0;
  if (!args.state.empty()) {
    if (const std::string why = WriteSimState(session.Bus(), args.state); !why.empty()) {
      err << "tvxorm sim: cannot write the state to " << Quoted(args.state) << ": " << why
          << std::endl;
      status = 1;
    }
  }
  return status;
}

int RunSimHeadless(QCoreApplication& app, const SimArgs& args, int out, std::ostream& err) {
  // The lines of one pass of the event loop go out in one write, at once after it: a reader
  // sees each packet as it arrives, without a write per line on a busy bus.
  std::string pending;
  bool flush_queued = false;
  std::string failure;  // why the monitor could not be written; the run stops at the first
  const auto flush = [&] {
    flush_queued = false;
    if (failure.empty()) failure = WriteUntilStopped(out, pending);
    pending.clear();
    if (!failure.empty()) app.quit();
  };
  SimFrontEnd front;
  front.attach = [&](SimSession& session) {
    session.OnEntry([&](const MonitorEntry& entry) {
      pending += args.json ? MonitorJson(entry, session.Bus()) : MonitorText(entry, session.Bus());
      pending += '\n';
      if (!flush_queued) {
        flush_queued = true;
        QTimer::singleShot(0, &app, flush);
      }
    });
  };
  front.finished = [&](bool) {
    flush();
    if (failure.empty()) return 0;
    err << "tvxorm sim: cannot write the monitor to standard output: " << failure << std::endl;
    return 1;
  };
  return RunSimSession(app, args, err, front);
}

}  // namespace tvx::app
