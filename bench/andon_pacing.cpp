// Paces a full andon transmission on the real event loop over loopback TCP and prints how long
// it took and how regular the 100 ms ticks were, every cell set.
// Run: build/bench/tvx_andon_pacing [--journal FILE]   (the journal on, written to FILE)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "app/journal_recorder.h"
#include "app/live_console.h"
#include "console/script.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost)) return 1;
  qint64 received = 0;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    QTcpSocket* peer = server.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead,
                     [&received, peer] { received += peer->readAll().size(); });
  });

  std::map<int, std::string> nowhere;
  for (int k = 1; k <= 4; ++k) nowhere[k] = "/nonexistent/bench-tty";
  tvx::app::LiveConsole live(nowhere);
  tvx::window::FrmMain& w = live.Window();
  tvx::app::JournalOptions journal_options{true, ""};
  if (argc > 2 && std::string(argv[1]) == "--journal") journal_options = {false, argv[2]};
  tvx::app::JournalRecorder journal(live, journal_options, [](const std::string& warning) {
    std::fprintf(stderr, "%s\n", warning.c_str());
  });

  std::ostringstream sink;
  tvx::console::ScriptInterpreter run(w, sink);
  run.Execute("click TCPOption");
  QTimer::singleShot(50, [&] {
    run.Execute("type RemoteIPText 127.0.0.1");
    run.Execute("type RemotePortText " + std::to_string(server.serverPort()));
    run.Execute("click RemoteIPButton");
  });

  QElapsedTimer clock;
  std::vector<qint64> ticks;
  auto dispatch = w.Timer1->on_tick.Take();
  w.Timer1->on_tick = [&] {
    ticks.push_back(clock.nsecsElapsed());
    dispatch();
    if (!w.Timer1->Enabled()) app.quit();
  };
  QTimer::singleShot(500, [&] {
    if (live.Socket().State() != tvx::window::kSckConnected) {
      std::fprintf(stderr, "no connection\n");
      app.exit(1);
      return;
    }
    run.Execute("click AndonButton");
    run.Execute("type GroupText 01");
    run.Execute("type UnitText 02");
    run.Execute("click ORM610AttFS");
    run.Execute("click ORM610R0C0(0)");
    clock.start();
    run.Execute("click SendButton");
  });
  if (app.exec() != 0) return 1;

  std::vector<double> intervals;
  for (std::size_t i = 1; i < ticks.size(); ++i)
    intervals.push_back((ticks[i] - ticks[i - 1]) / 1e6);
  std::sort(intervals.begin(), intervals.end());
  std::printf("journal: %s\nticks: %zu\ntotal: %.1f ms (ideal 15600)\nbytes received: %lld\n",
              journal_options.off ? "off" : journal_options.file.c_str(), ticks.size(),
              ticks.back() / 1e6, static_cast<long long>(received));
  if (!intervals.empty()) {
    std::printf("interval median: %.2f ms, min: %.2f ms, max: %.2f ms\n",
                intervals[intervals.size() / 2], intervals.front(), intervals.back());
  }
  return 0;
}
