// The simulator with nothing to do: the headless run and the window side by side over the same
// seconds, counting how often their threads were woken and the CPU they used.
// Run: xvfb-run -a build/bench/tvx_sim_idle [SECONDS]   (default 30; without a display only the
// headless run is measured)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/proc_stats.h"
#include "bench/process_support.h"

using tvx::bench::Binary;
using tvx::bench::Spawn;

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  struct Run {
    const char* name;
    pid_t pid;
    tvx::bench::ProcCost start;
  };
  std::vector<Run> runs;
  runs.push_back({"sim --headless", Spawn({Binary(), "sim", "--headless", "--listen", "0"}), {}});
  const char* display = std::getenv("DISPLAY");
  if (display && *display)
    runs.push_back({"sim (window)", Spawn({Binary(), "sim", "--listen", "0"}), {}});
  for (const Run& run : runs) {
    if (run.pid < 0) {
      std::fprintf(stderr, "cannot start %s\n", run.name);
      return 1;
    }
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));  // started and drawn
  for (Run& run : runs) run.start = tvx::bench::ReadProcCost(run.pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  std::printf("idle for %d s:\n", seconds);
  for (const Run& run : runs) {
    const tvx::bench::ProcCost end = tvx::bench::ReadProcCost(run.pid);
    const double wakeups = static_cast<double>(end.runs - run.start.runs) / seconds;
    const double cpu = (end.cpu_ms - run.start.cpu_ms) / (10.0 * seconds);
    std::printf("  %-16s %6.1f wake-ups a second, %.3f %% of a core\n", run.name, wakeups, cpu);
    std::fflush(stdout);
  }
  for (const Run& run : runs) {
    ::kill(run.pid, SIGTERM);
    // One that does not stop at SIGTERM is measured all the same.
    for (int i = 0; i < 40 && ::waitpid(run.pid, nullptr, WNOHANG) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (::waitpid(run.pid, nullptr, WNOHANG) == 0) {
      ::kill(run.pid, SIGKILL);
      ::waitpid(run.pid, nullptr, 0);
    }
  }
  return 0;
}
