// A port switch while 64 KB are still queued on a slow line: the console must answer at once
// and every queued byte must still arrive. The far end of a pty reads 960 bytes/s (9600 8N1).
// Run: build/bench/tvx_port_switch   (about 70 s)
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <sstream>
#include <thread>

#include "app/live_console.h"
#include "console/script.h"
#include "links/drains.h"

namespace {

struct FarEnd {
  int master = -1;
  std::string path;
  FarEnd() {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      path = name;
      ::close(slave);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  FarEnd first, second;
  constexpr std::size_t kQueued = 64 * 1024;
  std::atomic<std::size_t> received{0};
  std::atomic<bool> reading{true};
  // 96 bytes every 100 ms: the pace of a 9600-baud line.
  std::thread reader([&] {
    char buffer[96];
    while (reading && received < kQueued) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      pollfd ready{first.master, POLLIN, 0};
      if (::poll(&ready, 1, 0) <= 0) continue;
      const ssize_t n = ::read(first.master, buffer, sizeof buffer);
      if (n > 0) received += static_cast<std::size_t>(n);
    }
  });

  double answered_ms = -1;
  {
    tvx::app::LiveConsole live(
        {{1, first.path}, {2, second.path}, {3, "/nonexistent/a"}, {4, "/nonexistent/b"}});
    tvx::window::FrmMain& w = live.Window();
    std::ostringstream sink;
    tvx::console::ScriptInterpreter run(w, sink);
    if (!w.MSComm1.Output(std::string(kQueued, 'q'))) {
      std::fprintf(stderr, "could not queue the bytes\n");
      return 1;
    }
    QElapsedTimer clock;
    QTimer::singleShot(200, [&] {
      const std::string before = w.StatusText->Text();
      clock.start();
      run.Execute("click Comm2Option");
      // The switch runs on the next 5 ms tick; the console has answered once the status changed.
      auto* poll = new QTimer(&app);
      QObject::connect(poll, &QTimer::timeout, [&, poll, before] {
        if (w.StatusText->Text() == before) return;
        answered_ms = clock.nsecsElapsed() / 1e6;
        poll->stop();
        app.quit();
      });
      poll->start(0);
    });
    QTimer::singleShot(10000, [&] { app.exit(1); });
    if (app.exec() != 0) {
      std::fprintf(stderr, "the switch did not answer within 10 s\n");
      return 1;
    }
    std::printf("switch answered in %.1f ms (limit 50 ms): %s\n", answered_ms,
                w.StatusText->Text().c_str());
  }
  QElapsedTimer drain;
  drain.start();
  tvx::links::drains::FinishAll();
  // What already sits in the pty's own buffer is still to be read at line pace.
  for (int i = 0; i < 400 && received < kQueued; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  reading = false;
  reader.join();
  std::printf("queued bytes received: %zu of %zu (drain ended after %.1f s)\n", received.load(),
              kQueued, drain.elapsed() / 1000.0);
  return received == kQueued ? 0 : 1;
}
