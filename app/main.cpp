#include <QCoreApplication>
#include <iostream>

#include "app/headless_runner.h"
#include "app/options.h"
#include "app/qt_timer_driver.h"
#include "console/console.h"
#include "console/script.h"
#include "links/port_names.h"
#include "links/qt_serial_control.h"
#include "links/qt_socket_control.h"
#include "window/main_window.h"

namespace {

int RunHeadless(QCoreApplication& app, const tvx::app::Options& options) {
  tvx::links::PortNames names;
  for (const auto& [port, device] : options.comm) names.Set(port, device);
  tvx::links::QtSerialControl serial(names);
  tvx::links::QtSocketControl socket;
  tvx::window::FrmMain window(serial, socket);
  tvx::console::Console console(window);
  tvx::app::QtTimerDriver timers;
  for (tvx::window::Timer* t : {window.Timer1, window.Timer3, window.Timer4}) timers.Attach(*t);
  console.Load();

  tvx::console::ScriptInterpreter interpreter(window, std::cout);
  tvx::app::HeadlessRunner runner(interpreter);
  QObject::connect(&runner, &tvx::app::HeadlessRunner::Finished, &app,
                   [&app](int code) { app.exit(code); }, Qt::QueuedConnection);
  if (!runner.Start(options.script)) {
    std::cerr << "tvxorm: cannot read script '" << options.script << "'" << std::endl;
    return 2;
  }
  const int code = app.exec();
  // Quitting lets the bytes already written reach the wire before the port closes.
  serial.SetPortOpen(false);
  socket.Close();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = tvx::app::ParseOptions(args);
  if (const auto* error = std::get_if<tvx::app::OptionsError>(&parsed)) {
    std::cerr << "tvxorm: " << error->message << "\nTry 'tvxorm --help'." << std::endl;
    return 2;
  }
  const auto& options = std::get<tvx::app::Options>(parsed);
  if (options.help) {
    std::cout << tvx::app::HelpText();
    return 0;
  }
  if (options.version) {
    std::cout << tvx::console::WindowCaption(TVX_VERSION_MAJOR, TVX_VERSION_MINOR,
                                             TVX_VERSION_PATCH)
              << std::endl;
    return 0;
  }
  QCoreApplication app(argc, argv);
  if (!options.headless) {
    std::cerr << "tvxorm: the window is not built yet; running headless." << std::endl;
  }
  return RunHeadless(app, options);
}
