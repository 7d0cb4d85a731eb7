#include "app/view/sim_window.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <iostream>

#include "app/sim_command.h"
#include "app/view/sim_view.h"

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
  auto devices = LoadDevices(args.devices);
  if (const auto* error = std::get_if<std::string>(&devices)) {
    std::cerr << "tvxorm sim: " << *error << std::endl;
    return 2;
  }
  SimSession session(std::get<std::vector<sim::DeviceEntry>>(std::move(devices)));
  SimWindow window(session.Bus());
  session.OnEntry([&window](const MonitorEntry& entry) { window.View().Show(entry); });
  if (const auto error = session.Open(args)) {
    std::cerr << "tvxorm sim: " << *error << std::endl;
    return 2;
  }
  window.show();
  StopOnSignalsAndTime(app, args);
  if (!args.screenshot.empty() && !args.for_ms) {
    QTimer::singleShot(kScreenshotSettleMs, &app, &QCoreApplication::quit);
  }
  app.exec();
  session.Close();
  int status = 0;
  if (!args.screenshot.empty()) {
    window.View().Flush();
    if (!window.grab().save(QString::fromStdString(args.screenshot), "PNG")) {
      std::cerr << "tvxorm sim: cannot write the screenshot to '" << args.screenshot << "'"
                << std::endl;
      status = 1;
    }
  }
  if (!args.state.empty()) {
    std::string why;
    if (!WriteSimState(session.Bus(), args.state, why)) {
      std::cerr << "tvxorm sim: cannot write the state to '" << args.state << "': " << why
                << std::endl;
      status = 1;
    }
  }
  return status;
}

}  // namespace tvx::app
