#include <QApplication>
#include <QCoreApplication>
#include <iostream>

#include "app/decode_command.h"
#include "app/headless_runner.h"
#include "app/journal_command.h"
#include "app/live_console.h"
#include "app/options.h"
#include "app/port_settings.h"
#include "app/preset_file.h"
#include "app/send_command.h"
#include "app/sim_command.h"
#include "app/view/run_window.h"
#include "app/view/sim_window.h"
#include "console/script.h"
#include "links/drains.h"

namespace {

int RunHeadless(QCoreApplication& app, const tvx::app::Options& options) {
  tvx::app::LiveConsole live(options.comm);
  tvx::console::ScriptInterpreter interpreter(live.Window(), std::cout);
  tvx::app::JournalRecorder journal(live, options.journal, [](const std::string& warning) {
    std::cerr << "tvxorm: " << warning << std::endl;
  });
  // "preset NAME" applies the presets saved in the window.
  const tvx::console::PresetStore presets =
      tvx::app::LoadPresets(tvx::app::PresetFilePath(), std::cerr);
  interpreter.SetPresets(&presets);
  tvx::app::HeadlessRunner runner(interpreter);
  // A grid stopped by a line (Cancel, F2, another section) ends its journal entry there.
  runner.AfterEachLine([&live] { live.Console().SettleJournal(); });
  QObject::connect(
      &runner, &tvx::app::HeadlessRunner::Finished, &app, [&app](int code) { app.exit(code); },
      Qt::QueuedConnection);
  if (const auto error = runner.Start(options.script)) {
    std::cerr << "tvxorm: cannot read script '" << options.script << "': " << *error << std::endl;
    return 2;
  }
  return app.exec();
}

int RunSim(int argc, char** argv, const std::vector<std::string>& args) {
  const auto parsed = tvx::app::ParseSimArgs(args);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    std::cerr << "tvxorm sim: " << *error << "\nTry 'tvxorm sim --help'." << std::endl;
    return 2;
  }
  const auto& sim = std::get<tvx::app::SimArgs>(parsed);
  if (sim.help) {
    std::cout << tvx::app::SimUsage();
    return 0;
  }
  if (sim.headless) {
    QCoreApplication app(argc, argv);
    return tvx::app::RunSimHeadless(app, sim, std::cout, std::cerr);
  }
  if (!tvx::app::DisplayAvailable()) {
    std::cerr << tvx::app::kNoDisplayMessage << std::endl;
    return 2;
  }
  QApplication app(argc, argv);
  return tvx::app::RunSimWindow(app, sim);
}

}  // namespace

// An exception that gets this far (out of memory) ends the program, as it should.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  std::vector<std::string> args(argv + 1, argv + argc);
  // The codec commands need no display and no window.
  if (!args.empty() && args[0] == "decode") {
    std::ios::sync_with_stdio(false);  // a capture can be large
    return tvx::app::RunDecode({args.begin() + 1, args.end()}, std::cin, std::cout, std::cerr);
  }
  if (!args.empty() && args[0] == "journal") {
    std::ios::sync_with_stdio(false);
    return tvx::app::RunJournal({args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
  if (!args.empty() && args[0] == "sim") return RunSim(argc, argv, {args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "send") {
    QCoreApplication app(argc, argv);
    const int code = tvx::app::RunSend({args.begin() + 1, args.end()}, std::cout, std::cerr);
    tvx::links::drains::FinishAll();
    return code;
  }
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
  if (options.headless) {
    QCoreApplication app(argc, argv);
    const int code = RunHeadless(app, options);
    // Bytes still queued on a closed port or connection get to leave before the process ends.
    tvx::links::drains::FinishAll();
    return code;
  }
  if (!tvx::app::DisplayAvailable()) {
    std::cerr << tvx::app::kNoDisplayMessage << std::endl;
    return 2;
  }
  QApplication app(argc, argv);
  // The ports chosen in the window last time, unless --comm says otherwise for this run.
  const auto ports = tvx::app::MergedPorts(tvx::app::LoadPortAssignments(std::cerr), options.comm);
  const int code =
      tvx::app::RunWindow(app, {ports, options.screenshot, options.clicks, options.journal});
  tvx::links::drains::FinishAll();  // the window is gone already
  return code;
}
