#include "app/sim/view/sim_window.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <iostream>
#include <memory>

#include "app/sim/sim_command.h"
#include "app/sim/view/sim_view.h"

namespace tvx::app {

namespace {
constexpr int kMinWidth = 640;
constexpr int kMinHeight = 480;
// Leaves room for a title bar and a task bar on a 1366 x 768 screen.
constexpr QSize kPreferredSize(1280, 700);
// Without --for, a screenshot waits this long for the sources to bring in packets.
constexpr int kScreenshotSettleMs = 1000;
}  // namespace

SimWindow::SimWindow(const sim::Bus& bus, QWidget* parent)
    : QMainWindow(parent), view_(new SimView(bus, this)) {
  setObjectName("SimWindow");
  setWindowTitle(tr("TVXORM bus simulator"));
  setCentralWidget(view_);
  setMinimumSize(kMinWidth, kMinHeight);
  QSize size = kPreferredSize;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableSize());
  }
  resize(size);
}

int RunSimWindow(QApplication& app, const SimArgs& args) {
  std::unique_ptr<SimWindow> window;
  SimFrontEnd front;
  front.attach = [&window](SimSession& session) {
    window = std::make_unique<SimWindow>(session.Bus());
    session.OnEntry([&window](const MonitorEntry& entry) { window->View().Show(entry); });
  };
  front.started = [&app, &window, &args] {
    window->show();
    if (!args.screenshot.empty() && !args.for_ms) {
      QTimer::singleShot(kScreenshotSettleMs, &app, &QCoreApplication::quit);
    }
  };
  front.finished = [&window, &args](bool ran) {
    if (!ran || args.screenshot.empty()) return 0;
    window->View().Flush();
    if (window->grab().save(QString::fromStdString(args.screenshot), "PNG")) return 0;
    std::cerr << "tvxorm sim: cannot write the screenshot to '" << args.screenshot << "'"
              << std::endl;
    return 1;
  };
  return RunSimSession(app, args, std::cerr, front);
}

}  // namespace tvx::app
