#include "app/sim_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <ostream>

namespace tvx::app {

namespace {

std::atomic<bool> g_stop_requested{false};

extern "C" void RequestStop(int) {
  g_stop_requested = true;
}

// How often the event loop looks for a stop request from a signal handler.
constexpr int kSignalPollMs = 20;

// Stops the event loop at --for's end and at SIGINT or SIGTERM.
void StopOnSignalsAndTime(QCoreApplication& app, const SimArgs& args) {
  g_stop_requested = false;
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  auto* poll = new QTimer(&app);
  QObject::connect(poll, &QTimer::timeout, &app, [&app] {
    if (g_stop_requested) app.quit();
  });
  poll->start(kSignalPollMs);
  if (args.for_ms) {
    auto* end = new QTimer(&app);
    end->setSingleShot(true);
    end->setTimerType(Qt::PreciseTimer);
    QObject::connect(end, &QTimer::timeout, &app, &QCoreApplication::quit);
    // Qt timers take an int; a longer run is as good as endless.
    end->start(static_cast<int>(std::min<std::int64_t>(*args.for_ms, 2'000'000'000)));
  }
}

}  // namespace

int RunSimSession(QCoreApplication& app, const SimArgs& args, std::ostream& err,
                  const SimFrontEnd& front) {
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
  StopOnSignalsAndTime(app, args);
  app.exec();
  session.Close();
  int status = front.finished ? front.finished(true) : 0;
  if (!args.state.empty()) {
    std::string why;
    if (!WriteSimState(session.Bus(), args.state, why)) {
      err << "tvxorm sim: cannot write the state to '" << args.state << "': " << why << std::endl;
      status = 1;
    }
  }
  return status;
}

int RunSimHeadless(QCoreApplication& app, const SimArgs& args, std::ostream& out,
                   std::ostream& err) {
  // The lines of one pass of the event loop go out in one write, at once after it: a reader
  // sees each packet as it arrives, without a write per line on a busy bus.
  std::string pending;
  bool flush_queued = false;
  const auto flush = [&out, &pending, &flush_queued] {
    flush_queued = false;
    out.write(pending.data(), static_cast<std::streamsize>(pending.size()));
    out.flush();
    pending.clear();
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
  front.finished = [&flush](bool) {
    flush();
    return 0;
  };
  return RunSimSession(app, args, err, front);
}

}  // namespace tvx::app
