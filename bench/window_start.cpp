// Start to window mapped: a bare Qt 6 label window, the console with no journal and the console
// with a journal of 5 x 10 MB (the file and its four rotated ones), interleaved round by round;
// medians. The time runs from the process's start to the X server mapping its first window.
// Run: xvfb-run -a build/bench/tvx_window_start [ROUNDS]   (default 15; the first is not counted)
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/journal_file.h"

extern char** environ;

namespace {

// TVX_BINARY in the environment measures another build of the program.
const char* Binary() {
  const char* other = std::getenv("TVX_BINARY");
  return other && *other ? other : TVX_BINARY;
}

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kFileBytes = 10LL * 1024 * 1024 - 64 * 1024;  // just short of a rotation
constexpr int kMapTimeoutMs = 20000;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Entries as a day of sending leaves them: numbers, marquee texts, now and then a failure.
void WriteJournalFile(const std::string& path, int first) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::int64_t written = 0;
  for (int i = first; written < kFileBytes; ++i) {
    tvx::console::JournalEntry e;
    e.time = {1'790'000'000'000LL + i * 1500LL, 3600};
    e.destination = "Comm 1 = /dev/ttyUSB0";
    const std::string number = std::to_string(i % 10000);
    const std::string bytes = i % 3 == 0 ? "\x02"
                                           "0103\x1bMRQ\x0cLINE " +
                                               number + " STOPPED\x04"
                                         : "\x02"
                                           "0102\x1bNUM" +
                                               number + "N1A\x04";
    e.packets = tvx::console::JournalPackets(bytes);
    e.written = i % 97 != 0;
    if (!e.written) e.error = "Input/output error";
    e.status = "The 'Number ' command has been sent to Group = 01, Unit = 02";
    const std::string line = tvx::app::JournalLine(e) + "\n";
    out << line;
    written += static_cast<std::int64_t>(line.size());
  }
}

// Spawns argv and waits for the X server to map a top-level window; the time in ms, or -1.
double TimeToMap(xcb_connection_t* x, const std::vector<std::string>& args,
                 const std::vector<std::string>& env) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  envp.reserve(env.size() + 1);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  while (xcb_generic_event_t* stale = xcb_poll_for_event(x)) free(stale);

  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  double ms = -1;
  pollfd ready{xcb_get_file_descriptor(x), POLLIN, 0};
  while (ms < 0 && Clock::now() - start < std::chrono::milliseconds(kMapTimeoutMs)) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
      if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
          !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect) {
        ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      }
      free(event);
    }
    if (ms < 0) ::poll(&ready, 1, 50);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 15;
  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(x)) {
    std::fprintf(stderr, "no X server: run under xvfb-run -a\n");
    return 1;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(x);

  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::string empty_journal = root + "/none/journal.jsonl";
  const std::string full_journal = root + "/full/journal.jsonl";
  std::printf("writing a journal of 5 x 10 MB...\n");
  std::fflush(stdout);
  QDir().mkpath(QString::fromStdString(root + "/none"));
  QDir().mkpath(QString::fromStdString(root + "/full"));
  for (int k = 0; k < 5; ++k) {
    const std::string name = k == 0 ? full_journal : full_journal + "." + std::to_string(k);
    WriteJournalFile(name, (5 - k) * 100000);
  }

  // The user's own settings, presets and journal stay out of it.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string var = *e;
    if (var.rfind("XDG_CONFIG_HOME=", 0) != 0 && var.rfind("XDG_STATE_HOME=", 0) != 0) {
      env.push_back(var);
    }
  }
  env.push_back("XDG_CONFIG_HOME=" + root + "/config");
  env.push_back("XDG_STATE_HOME=" + root + "/state");

  struct Program {
    const char* name;
    std::vector<std::string> args;
    std::vector<double> ms;
  };
  std::vector<Program> programs = {
      {"bare Qt 6 label", {TVX_BARE_LABEL}, {}},
      {"console, no journal", {Binary(), "--journal", empty_journal}, {}},
      {"console, journal 5 x 10 MB", {Binary(), "--journal", full_journal}, {}},
  };
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < programs.size(); ++i) {
      Program& p = programs[(i + static_cast<std::size_t>(round)) % programs.size()];
      const double ms = TimeToMap(x, p.args, env);
      if (ms < 0) {
        std::fprintf(stderr, "%s: no window within %d ms\n", p.name, kMapTimeoutMs);
        return 1;
      }
      if (round > 0) p.ms.push_back(ms);  // the first round fills the caches
    }
  }
  const double bare = Median(programs[0].ms);
  const double none = Median(programs[1].ms);
  std::printf("start to window mapped, median of %d rounds (interleaved):\n", rounds - 1);
  for (const Program& p : programs) {
    const double median = Median(p.ms);
    std::printf("  %-28s %7.1f ms  %.2f x bare  %+.1f %% against no journal\n", p.name, median,
                median / bare, (median / none - 1) * 100);
  }
  xcb_disconnect(x);
  return 0;
}
