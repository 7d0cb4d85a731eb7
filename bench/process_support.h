// What the benchmarks share: child processes (the simulator's too), a loopback TCP bus that times
// each packet's last byte, a gateway on a local mosquitto, a publisher, percentiles. Linux only.
#pragma once

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

extern char** environ;

namespace tvx::bench {

using Clock = std::chrono::steady_clock;

inline const char* Binary() {
  const char* other = std::getenv("TVX_BINARY");
  return other && *other ? other : TVX_BINARY;
}

// stdin_fd, stdout_fd: the child's standard input and output (-1: /dev/null).
inline pid_t Spawn(std::vector<std::string> args, int stdin_fd = -1, int stdout_fd = -1) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  if (stdin_fd >= 0) {
    posix_spawn_file_actions_adddup2(&io, stdin_fd, 0);
  } else {
    posix_spawn_file_actions_addopen(&io, 0, "/dev/null", O_RDONLY, 0);
  }
  if (stdout_fd >= 0) {
    posix_spawn_file_actions_adddup2(&io, stdout_fd, 1);
  } else {
    posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &io, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&io);
  return failed ? -1 : pid;
}

inline void Stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

inline int Listen(int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // Port 0: the kernel picks a free one; a benchmark without a socket cannot go on.
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) {
    std::perror("bench: a loopback listener");
    std::exit(1);
  }
  socklen_t n = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  *port = ntohs(a.sin_port);
  return fd;
}

inline int FreePort() {
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

inline bool WaitFor(const std::function<bool()>& done, double seconds) {
  const auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline std::string Request(int i) {
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

inline bool Online(int broker, const std::string& name) {
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

inline double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

inline double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p / 100.0 * v.size()))];
}

inline long StatusKb(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return -1;
}

// The 1-minute load average, said with every figure (the machine is shared).
inline double LoadAverage() {
  std::ifstream in("/proc/loadavg");
  double one = -1;
  in >> one;
  return one;
}

}  // namespace tvx::bench
