// What a process has cost so far, read from /proc: CPU time, and how often its threads were
// put on a CPU (each wake-up is one). Linux only.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace tvx::bench {

struct ProcCost {
  double cpu_ms = 0;
  std::int64_t runs = 0;  // times any thread was scheduled in
};

// pid 0: this process.
inline ProcCost ReadProcCost(int pid = 0) {
  const std::string root = pid == 0 ? "/proc/self" : "/proc/" + std::to_string(pid);
  ProcCost cost;
  DIR* tasks = ::opendir((root + "/task").c_str());
  if (!tasks) return cost;
  while (const dirent* task = ::readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    // schedstat: time on CPU (ns), time waiting to run (ns), timeslices run.
    std::ifstream in(root + "/task/" + task->d_name + "/schedstat");
    std::int64_t on_cpu_ns = 0, waiting_ns = 0, slices = 0;
    if (in >> on_cpu_ns >> waiting_ns >> slices) {
      cost.cpu_ms += static_cast<double>(on_cpu_ns) / 1e6;
      cost.runs += slices;
    }
  }
  ::closedir(tasks);
  return cost;
}

}  // namespace tvx::bench
