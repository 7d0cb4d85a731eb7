// CPU of a full andon grid (156 ticks, every cell set, over loopback TCP) with the console's
// window shown against the console without a window, alternating in one process; then the
// window idle. Each grid's cost runs from Send to the completion tick.
// Run: xvfb-run -a build/bench/tvx_window_cpu [ROUNDS] [--window-only]  (default 3 rounds;
// --window-only leaves out the runs without a window, for a profiler; --paints [PREFIX]
// lists what ticks 40 to 42 repaint and saves pictures of the window at a few ticks)
// Give Xvfb a screen the whole window fits: xvfb-run -a -s "-screen 0 1920x1080x24" ...
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/live_console.h"
#include "app/view/console_window.h"
#include "app/view/main_view.h"
#include "bench/proc_stats.h"
#include "console/script.h"
#include "links/link_status.h"

namespace {

using tvx::bench::ProcCost;
using tvx::bench::ReadProcCost;

// Lists every paint (widget and region) while armed: what a tick redraws.
class PaintTrace : public QObject {
 public:
  bool armed = false;
  QString shots;  // file name prefix for pictures of the window during the grid
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (armed && event->type() == QEvent::Paint) {
      const QRect r = static_cast<QPaintEvent*>(event)->rect();
      std::printf("  paint %s %s %d,%d %dx%d\n", watched->metaObject()->className(),
                  qPrintable(watched->objectName()), r.x(), r.y(), r.width(), r.height());
    }
    return false;
  }
};
PaintTrace* trace = nullptr;

void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// The whole layout where the screen has room for it: under xvfb-run's default 640 x 480 screen
// the grid and the packet box would be scrolled out of sight and never drawn.
void ShowAsTheProgramDoes(tvx::app::ConsoleWindow& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize available = screen ? screen->availableGeometry().size() : window.WholeSize();
  if (window.OpensMaximized(available)) {
    std::fprintf(stderr, "the screen (%dx%d) is too small for the whole window\n",
                 available.width(), available.height());
  }
  window.resize(window.OpeningSize(available));
  window.show();
}

struct GridCost {
  double cpu_ms = 0, wall_ms = 0;
  std::int64_t runs = 0;
  double first_ms = 0, last_ms = 0;  // CPU a tick, over ticks 2-11 and 146-155
};

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The CPU used from each tick to the next, drawing included, averaged over ticks [from, to).
double PerTick(const std::vector<double>& at, std::size_t from, std::size_t to) {
  if (at.size() < to + 1) return 0;
  return (at[to] - at[from]) / static_cast<double>(to - from);
}

// One console (and its window when asked), connected to the listener, sends the full grid.
GridCost RunGrid(QTcpServer& server, bool with_window) {
  std::map<int, std::string> nowhere;
  for (int k = 1; k <= 4; ++k) nowhere[k] = "/nonexistent/bench-tty";
  tvx::app::LiveConsole live(nowhere);
  tvx::window::FrmMain& w = live.Window();
  std::unique_ptr<tvx::app::MainView> view;
  std::unique_ptr<tvx::app::ConsoleWindow> window;
  tvx::links::LinkStatus link;
  if (with_window) {
    view = std::make_unique<tvx::app::MainView>(w);
    window = std::make_unique<tvx::app::ConsoleWindow>(
        *view, [&] { return link.Describe(w, live.Names()); }, &live.Console().Rows());
    live.AfterTick([&view] { view->RefreshChanged(); });  // as the window does
    ShowAsTheProgramDoes(*window);
  }
  std::ostringstream sink;
  tvx::console::ScriptInterpreter run(w, sink);
  const auto click = [&](const std::string& line) {
    run.Execute(line);
    if (view) view->Refresh();  // as the window does after every operator event
  };
  click("click TCPOption");
  RunFor(50);
  click("type RemoteIPText 127.0.0.1");
  click("type RemotePortText " + std::to_string(server.serverPort()));
  click("click RemoteIPButton");
  RunFor(400);
  if (live.Socket().State() != tvx::window::kSckConnected) {
    std::fprintf(stderr, "no connection\n");
    std::exit(1);
  }
  click("click AndonButton");
  click("type GroupText 01");
  click("type UnitText 02");
  click("click ORM610AttFS");
  click("click ORM610R0C0(0)");
  RunFor(300);  // the window drawn and settled

  QEventLoop loop;
  std::vector<double> tick_cpu;
  auto dispatch = w.Timer1->on_tick.Take();
  w.Timer1->on_tick = [&] {
    tick_cpu.push_back(ProcessCpuMs());
    if (trace) {
      const std::size_t tick = tick_cpu.size();
      trace->armed = tick >= 40 && tick <= 42;
      if (trace->armed) std::printf("tick %zu\n", tick);
      // What the X server shows after the last tick's paint, not a fresh rendering.
      if (!trace->shots.isEmpty() && (tick == 30 || tick == 40 || tick == 41 || tick == 100)) {
        QGuiApplication::primaryScreen()
            ->grabWindow(window->winId())
            .save(trace->shots + QStringLiteral("-tick%1.png").arg(tick - 1));
      }
    }
    dispatch();
    if (!w.Timer1->Enabled()) loop.quit();
  };
  QElapsedTimer clock;
  clock.start();
  const ProcCost before = ReadProcCost();
  click("click SendButton");
  loop.exec();
  QCoreApplication::processEvents();  // the last tick's paint
  const ProcCost after = ReadProcCost();
  return {after.cpu_ms - before.cpu_ms, static_cast<double>(clock.nsecsElapsed()) / 1e6,
          after.runs - before.runs, PerTick(tick_cpu, 1, 11), PerTick(tick_cpu, 145, 155)};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string mode = argc > 2 ? argv[2] : "";
  const bool window_only = mode == "--window-only" || mode == "--paints";
  PaintTrace paint_trace;
  if (mode == "--paints") {
    trace = &paint_trace;
    app.installEventFilter(trace);
    if (argc > 3) trace->shots = QString::fromLocal8Bit(argv[3]);
  }
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost)) return 1;
  QObject::connect(&server, &QTcpServer::newConnection, [&server] {
    QTcpSocket* peer = server.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->readAll(); });
  });

  std::vector<double> headless, shown;
  for (int round = 0; round < rounds; ++round) {
    for (const bool with_window : {false, true}) {
      if (window_only && !with_window) continue;
      const GridCost cost = RunGrid(server, with_window);
      const double share = 100 * cost.cpu_ms / cost.wall_ms;
      std::printf(
          "round %d %-11s %7.1f ms CPU in %7.1f ms: %5.2f %% of a core, %lld wake-ups; "
          "a tick: %.2f ms early, %.2f ms late\n",
          round + 1, with_window ? "window:" : "no window:", cost.cpu_ms, cost.wall_ms, share,
          static_cast<long long>(cost.runs), cost.first_ms, cost.last_ms);
      std::fflush(stdout);
      (with_window ? shown : headless).push_back(share);
    }
  }
  if (window_only) return 0;
  const double h = Median(headless), s = Median(shown);
  std::printf("median: window %.2f %% of a core, no window %.2f %%, window / no window %.1f x\n", s,
              h, h > 0 ? s / h : 0.0);

  // The window left alone after a grid.
  {
    std::map<int, std::string> nowhere;
    for (int k = 1; k <= 4; ++k) nowhere[k] = "/nonexistent/bench-tty";
    tvx::app::LiveConsole live(nowhere);
    tvx::app::MainView view(live.Window());
    tvx::links::LinkStatus link;
    tvx::app::ConsoleWindow window(
        view, [&] { return link.Describe(live.Window(), live.Names()); }, &live.Console().Rows());
    live.AfterTick([&view] { view.RefreshChanged(); });
    ShowAsTheProgramDoes(window);
    RunFor(1000);
    const ProcCost before = ReadProcCost();
    RunFor(10000);
    const ProcCost after = ReadProcCost();
    std::printf("window idle for 10 s: %.1f ms CPU, %.1f runs a second\n",
                after.cpu_ms - before.cpu_ms, static_cast<double>(after.runs - before.runs) / 10);
  }
  return 0;
}
