// The gateway between a local mosquitto and a loopback TCP bus, measured at the bus:
// - idle: a request published -> its last byte at the bus, over requests spaced beyond the pace;
// - backlog: NUM requests published at once at --pace 10: the span, the gaps between packets at
//   the bus, the gateway's CPU meanwhile;
// - the gateway's memory with a devices file of 1,000 devices (the backlog's gateway).
// Run: build/bench/tvx_gateway_bench [REQUESTS]   (default 1000; needs mosquitto and mosquitto_pub)
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/proc_stats.h"
#include "bench/process_support.h"

namespace {

using namespace tvx::bench;

// Everything at once at --pace 10, the gateway holding 1,000 devices; name: what differs.
bool Backlog(int broker, const std::string& dir, int n, const char* name,
             std::vector<std::string> more) {
  static int runs = 0;
  more.insert(more.end(), {"--pace", "10", "--devices", dir + "/devices"});
  Bus bus;
  const std::string bus_name = "backlog" + std::to_string(runs++);
  Gateway gateway(broker, bus.Port(), bus_name, dir + "/" + bus_name, more);
  if (!Online(broker, bus_name) || !WaitFor([&] { return bus.Connected(); }, 30)) {
    std::fprintf(stderr, "the gateway did not come up\n");
    return false;
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const long rss_start = StatusKb(gateway.pid, "VmRSS:");
  const long anon_start = StatusKb(gateway.pid, "RssAnon:");
  std::string all;
  for (int i = 0; i < n; ++i) all += Request(i);
  const auto cpu_before = tvx::bench::ReadProcCost(gateway.pid);
  Publisher pub(broker, bus_name);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // connected before the clock starts
  const auto sent = Clock::now();
  pub.Send(all);
  const bool done =
      WaitFor([&] { return bus.Count() >= static_cast<std::size_t>(n); }, n * 0.010 * 3 + 30);
  const auto last = Clock::now();
  const auto cpu_after = tvx::bench::ReadProcCost(gateway.pid);
  const auto ends = bus.Ends();
  if (!done) std::fprintf(stderr, "only %zu of %d reached the bus\n", ends.size(), n);
  if (ends.size() < 2) return false;
  std::vector<double> gaps;
  int outside = 0;
  for (std::size_t i = 1; i < ends.size(); ++i) {
    gaps.push_back(Ms(ends[i] - ends[i - 1]));
    if (gaps.back() < 8.0 || gaps.back() > 12.0) ++outside;
  }
  const double span_s = Ms(ends.back() - sent) / 1000.0;
  const double busy_s = Ms(last - sent) / 1000.0;
  std::printf("backlog (--pace 10%s), %zu of %d requests published at once:\n", name, ends.size(),
              n);
  std::printf(
      "  published -> last at the bus: %.3f s; first to last packet %.3f s"
      "   (target %.1f s +/- 1 %%)\n",
      span_s, Ms(ends.back() - ends.front()) / 1000.0, n * 0.010);
  std::printf(
      "  gaps at the bus: min %.2f, p1 %.2f, p50 %.2f, p99 %.2f, max %.2f ms (after packet %ld);"
      " %d of %zu outside 10 +/- 2 ms\n",
      Percentile(gaps, 0), Percentile(gaps, 1), Percentile(gaps, 50), Percentile(gaps, 99),
      Percentile(gaps, 100),
      static_cast<long>(std::max_element(gaps.begin(), gaps.end()) - gaps.begin()), outside,
      gaps.size());
  std::printf("  gateway CPU: %.1f %% of a core   (target <= 10 %%)\n",
              (cpu_after.cpu_ms - cpu_before.cpu_ms) / (busy_s * 1000.0) * 100.0);
  std::printf(
      "  RSS with 1,000 devices in its devices file: %.1f MB at start (its own heap %.1f MB,"
      " the rest mapped libraries), %.1f MB after the backlog, peak %.1f MB   (target <= 30 MB)\n",
      rss_start / 1024.0, anon_start / 1024.0, StatusKb(gateway.pid, "VmRSS:") / 1024.0,
      StatusKb(gateway.pid, "VmHWM:") / 1024.0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const int n = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
  char dir_template[] = "/tmp/tvx-gateway-bench-XXXXXX";
  const std::string dir = ::mkdtemp(dir_template);
  const int broker = FreePort();
  {
    std::ofstream conf(dir + "/mosquitto.conf");
    conf << "listener " << broker << " 127.0.0.1\nallow_anonymous true\npersistence false\n"
         << "log_dest none\n"
         << "max_queued_messages 100000\n";
    std::ofstream devices(dir + "/devices");
    const char* kinds[] = {"andon", "marquee", "numeric", "stacklight", "tune", "headend"};
    for (int i = 0; i < 1000; ++i)  // group 01 unit 03 is numeric 10002
      devices << kinds[i % 6] << ' ' << 10000 + i << ' ' << (i / 99 + 1) / 10 << (i / 99 + 1) % 10
              << ' ' << (i % 99 + 1) / 10 << (i % 99 + 1) % 10 << '\n';
  }
  const pid_t mosquitto = Spawn({"mosquitto", "-c", dir + "/mosquitto.conf"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  // Idle: one request at a time, each after the last arrived and the pace passed.
  {
    Bus bus;
    Gateway gateway(broker, bus.Port(), "idle", dir + "/idle", {"--pace", "10"});
    if (!Online(broker, "idle") || !WaitFor([&] { return bus.Connected(); }, 30)) {
      std::fprintf(stderr, "the gateway did not come up\n");
      return 1;
    }
    Publisher pub(broker, "idle");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<double> latency;
    for (int i = 0; i < n; ++i) {
      const std::size_t before = bus.Count();
      const auto sent = Clock::now();
      pub.Send(Request(i));
      if (!WaitFor([&] { return bus.Count() > before; }, 10)) {
        std::fprintf(stderr, "request %d never reached the bus\n", i);
        return 1;
      }
      latency.push_back(Ms(bus.Ends().back() - sent));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("idle (--pace 10, requests 20 ms apart after each arrived), %d requests:\n", n);
    const auto worst = std::max_element(latency.begin(), latency.end()) - latency.begin();
    std::printf(
        "  published -> last byte at the bus: p50 %.2f ms, p99 %.2f ms, max %.2f ms"
        " (request %ld)   (targets: p50 <= 5, p99 <= 20)\n",
        Percentile(latency, 50), Percentile(latency, 99), Percentile(latency, 100),
        static_cast<long>(worst));
  }

  // Side by side: the journal's cost (its file is synced after each entry) is the difference.
  const bool backlogs = Backlog(broker, dir, n, "", {}) &&
                        Backlog(broker, dir, n, ", --no-journal", {"--no-journal"});
  Stop(mosquitto);
  std::system(("rm -rf '" + dir + "'").c_str());
  return backlogs ? 0 : 1;
}
