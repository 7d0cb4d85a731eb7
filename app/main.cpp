#include <QApplication>
#include <QCoreApplication>
#include <csignal>
#include <iostream>

#include "app/decode_command.h"
#include "app/files.h"
#include "app/gateway/gateway_command.h"
#include "app/grid_file_io.h"
#include "app/headless_runner.h"
#include "app/journal_command.h"
#include "app/live_console.h"
#include "app/options.h"
#include "app/port_settings.h"
#include "app/preset_file.h"
#include "app/qt_messages.h"
#include "app/send_command.h"
#include "app/sim/sim_command.h"
#include "app/sim/view/sim_window.h"
#include "app/stop_signals.h"
#include "app/view/run_window.h"
#include "console/script.h"
#include "links/drains.h"

namespace {

constexpr int kStandardOutput = 1;  // its file descriptor

int RunHeadless(QCoreApplication& app, const tvx::app::Options& options) {
  // Caught before the links open: a stop ends the run on the loop, and the journal keeps
  // what went out.
  tvx::app::StopSignals stop;
  tvx::app::LiveConsole live(options.comm);
  tvx::console::ScriptInterpreter interpreter(live.Window(), std::cout);
  tvx::app::JournalRecorder journal(live, options.journal, [](const std::string& warning) {
    std::cerr << "tvxorm: " << warning << std::endl;
  });
  // "preset NAME" applies the presets saved in the window.
  const tvx::console::PresetStore presets =
      tvx::app::LoadPresets(tvx::app::PresetFilePath(), std::cerr);
  interpreter.SetPresets(&presets);
  tvx::app::GridFilesOnDisk grid_files;
  interpreter.SetGridFiles(&grid_files);
  tvx::app::HeadlessRunner runner(interpreter);
  // A grid stopped by a line (Cancel, F2, another section) ends its journal entry there.
  runner.AfterEachLine([&live] { live.Console().SettleJournal(); });
  QObject::connect(
      &runner, &tvx::app::HeadlessRunner::Finished, &app, [&app](int code) { app.exit(code); },
      Qt::QueuedConnection);
  QObject::connect(&stop, &tvx::app::StopSignals::Stop, &app, [&app] { app.quit(); });
  if (const auto error = runner.Start(options.script)) {
    std::cerr << "tvxorm: cannot read script " << tvx::app::Quoted(options.script) << ": " << *error
              << std::endl;
    return 2;
  }
  const int code = app.exec();
  const int signal = stop.Received();
  if (signal == 0) return code;
  // A grid still going out ends its entry here, not completed.
  std::optional<tvx::console::JournalEntry> cut;
  journal.Journal().AddListener([&cut](const tvx::console::JournalEntry& entry) {
    if (entry.andon) cut = entry;
  });
  live.Console().CloseJournal();
  std::cerr << "tvxorm: " << tvx::app::StopReport(signal, cut ? &*cut : nullptr) << std::endl;
  return tvx::app::StopExitStatus(signal);
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
    tvx::app::KeepQtMessagesOffStandardError("tvxorm sim");
    QCoreApplication app(argc, argv);
    const int code = tvx::app::RunSimHeadless(app, sim, kStandardOutput, std::cerr);
    const std::string why = tvx::app::FinishStandardOutput();
    if (why.empty() || code != 0) return code;
    std::cerr << "tvxorm sim: cannot write the monitor to standard output: " << why << std::endl;
    return 1;
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
  tvx::app::HoldClosedStandardStreams();
#if defined(SIGPIPE)
  // A reader gone (| head) or a file size limit is a failed write to report, not a death
  // without a word.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  // The codec commands need no display and no window.
  if (!args.empty() && args[0] == "decode") {
    tvx::app::KeepQtMessagesOffStandardError("tvxorm decode");
    std::ios::sync_with_stdio(false);  // a capture can be large
    return tvx::app::RunDecode({args.begin() + 1, args.end()}, std::cin, std::cout, std::cerr);
  }
  if (!args.empty() && args[0] == "journal") {
    tvx::app::KeepQtMessagesOffStandardError("tvxorm journal");
    std::ios::sync_with_stdio(false);
    const int code = tvx::app::RunJournal({args.begin() + 1, args.end()}, std::cout, std::cerr);
    const std::string failure = tvx::app::FinishStandardOutput();
    if (code != 0 || failure.empty()) return code;
    std::cerr << "tvxorm journal: cannot write to standard output: " << failure << std::endl;
    return 1;
  }
  if (!args.empty() && args[0] == "sim") return RunSim(argc, argv, {args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "gateway") {
    tvx::app::KeepQtMessagesOffStandardError("tvxorm gateway");
    QCoreApplication app(argc, argv);
    const std::string version = std::to_string(TVX_VERSION_MAJOR) + "." +
                                std::to_string(TVX_VERSION_MINOR) + "." +
                                std::to_string(TVX_VERSION_PATCH);
    const int code =
        tvx::app::RunGateway(app, {args.begin() + 1, args.end()}, version, std::cout, std::cerr);
    tvx::links::drains::FinishAll();
    return code;
  }
  if (!args.empty() && args[0] == "send") {
    tvx::app::KeepQtMessagesOffStandardError("tvxorm send");
    QCoreApplication app(argc, argv);
    const tvx::app::StopSignals stop;
    const int code = tvx::app::RunSend({args.begin() + 1, args.end()}, std::cout, std::cerr, &stop);
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
    tvx::app::KeepQtMessagesOffStandardError("tvxorm");
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
