// The gateway between a local mosquitto and a loopback TCP bus, measured at the bus:
// - idle: a request published -> its last byte at the bus, over requests spaced beyond the pace;
// - backlog: NUM requests published at once at --pace 10: the span, the gaps between packets at
//   the bus, the gateway's CPU meanwhile;
// - the gateway's memory with a devices file of 1,000 devices (the backlog's gateway).
// Run: build/bench/tvx_gateway_bench [REQUESTS]   (default 1000; needs mosquitto and mosquitto_pub)
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/proc_stats.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const char* Binary() {
  const char* other = std::getenv("TVX_BINARY");
  return other && *other ? other : TVX_BINARY;
}

// stdin_fd: the child's standard input (-1: /dev/null). Its output goes to /dev/null.
pid_t Spawn(std::vector<std::string> args, int stdin_fd = -1) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  if (stdin_fd >= 0) {
    posix_spawn_file_actions_adddup2(&io, stdin_fd, 0);
  } else {
    posix_spawn_file_actions_addopen(&io, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &io, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&io);
  return failed ? -1 : pid;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

int Listen(int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(fd, 4);
  socklen_t n = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  *port = ntohs(a.sin_port);
  return fd;
}

int FreePort() {
  int port = 0;
  ::close(Listen(&port));
  return port;
}

// The bus: one connection at a time; the time each packet's last byte (EOT) arrived.
class Bus {
 public:
  Bus() : fd_(Listen(&port_)) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~Bus() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.detach();  // it may be blocked in a read of a peer that is gone
  }
  int Port() const { return port_; }
  bool Connected() const { return connected_; }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ends_.size();
  }
  std::vector<Clock::time_point> Ends() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ends_;
  }

 private:
  void Serve() {
    while (!stop_) {
      const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0) return;
      connected_ = true;
      char buffer[4096];
      for (ssize_t n; (n = ::read(peer, buffer, sizeof buffer)) > 0;) {
        const auto now = Clock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        for (ssize_t i = 0; i < n; ++i)
          if (buffer[i] == '\x04') ends_.push_back(now);
      }
      connected_ = false;
      ::close(peer);
    }
  }

  int port_ = 0;
  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> connected_{false};
  std::mutex mutex_;
  std::vector<Clock::time_point> ends_;
  std::thread thread_;
};

bool WaitFor(const std::function<bool()>& done, double seconds) {
  const auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::string Request(int i) {
  return R"({"id":"b-)" + std::to_string(i) +
         R"(","command":"NUM","fields":{"group":"01","unit":"03","number":")" +
         std::to_string(i % 10000) + "\"}}\n";
}

// A gateway on the bus, online on the broker.
struct Gateway {
  pid_t pid = -1;
  // name: the bus's, one per run, so that no run reads an earlier one's retained status.
  Gateway(int broker, int bus, const std::string& name, const std::string& dir,
          const std::vector<std::string>& more) {
    std::vector<std::string> args{Binary(),      "gateway",
                                  "--bus",       name,
                                  "--tcp",       "127.0.0.1:" + std::to_string(bus),
                                  "--broker",    "mqtt://127.0.0.1:" + std::to_string(broker),
                                  "--state-dir", dir};
    args.insert(args.end(), more.begin(), more.end());
    pid = Spawn(args);
  }
  ~Gateway() { Stop(pid); }
};

bool Online(int broker, const std::string& name) {
  std::vector<std::string> args{"mosquitto_sub",
                                "-p",
                                std::to_string(broker),
                                "-t",
                                "tvxorm/" + name + "/status",
                                "-C",
                                "1",
                                "-W",
                                "30"};
  const pid_t pid = Spawn(args);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// mosquitto_pub reading one request a line from a pipe: a line written is a message published.
struct Publisher {
  int fd = -1;
  pid_t pid = -1;
  Publisher(int broker, const std::string& name) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) return;  // else the child holds its own stdin open
    pid = Spawn({"mosquitto_pub", "-p", std::to_string(broker), "-V", "mqttv5", "-q", "1", "-t",
                 "tvxorm/" + name + "/request", "-l"},
                p[0]);
    ::close(p[0]);
    fd = p[1];
  }
  void Send(const std::string& text) const {
    for (std::size_t at = 0; at < text.size();) {
      const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
      if (n <= 0) return;
      at += static_cast<std::size_t>(n);
    }
  }
  ~Publisher() {
    ::close(fd);
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p / 100.0 * v.size()))];
}

long StatusKb(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return -1;
}

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
