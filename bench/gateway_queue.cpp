// The gateway's durable queue, measured through a local mosquitto and loopback TCP buses:
// - restart: a state folder made by the real gateway (N answered ids, then M requests queued
//   while the bus was down, a clean stop); the time from the next start to B/status online and
//   to the first queued request's last byte at the bus;
// - added latency: request published -> last byte at an idle bus, the state folder on disk
//   against the same on /dev/shm (its sync costs nothing), side by side;
// - fleet: G gateways at R requests/s each through one mosquitto: all answered, their CPU
//   together, publish -> bus for the requests that found their bus idle.
// Run: build/bench/tvx_gateway_queue_bench [--answered N] [--queued M] [--idle K] [--seconds S]
//      [--gateways G] [--fleet-state DIR] [--only restart|latency|fleet]
//      (defaults 10000, 1000, 500, 60, 20; needs mosquitto, mosquitto_pub and mosquitto_sub)
#include <cstring>
#include <memory>
#include <set>

#include "bench/proc_stats.h"
#include "bench/process_support.h"

namespace {

using namespace tvx::bench;

// mosquitto_sub on B/status, each message's arrival time kept; the first message read is the
// retained one (of an earlier run), so a watch started before the gateway sees only new ones
// after Retained().
class StatusWatch {
 public:
  StatusWatch(int broker, const std::string& name) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) return;
    pid_ =
        Spawn({"mosquitto_sub", "-p", std::to_string(broker), "-t", "tvxorm/" + name + "/status"},
              -1, p[1]);
    ::close(p[1]);
    fd_ = p[0];
    thread_ = std::thread([this] {
      std::string line;
      char c;
      while (::read(fd_, &c, 1) == 1) {
        if (c != '\n') {
          line += c;
          continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back({Clock::now(), line});
        line.clear();
      }
    });
  }
  ~StatusWatch() {
    Stop(pid_);
    thread_.join();
    ::close(fd_);
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
  }
  // The time of the first message after the first `after` containing `text`.
  bool Find(std::size_t after, const char* text, Clock::time_point* at) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = after; i < lines_.size(); ++i)
      if (lines_[i].second.find(text) != std::string::npos) {
        *at = lines_[i].first;
        return true;
      }
    return false;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::mutex mutex_;
  std::vector<std::pair<Clock::time_point, std::string>> lines_;
  std::thread thread_;
};

// Requests in the queue file with no answer yet: those waiting.
std::size_t Waiting(const std::string& file) {
  std::ifstream in(file);
  std::set<long> open;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("{\"request\":", 0) == 0) open.insert(std::atol(line.c_str() + 11));
    if (line.rfind("{\"answered\":", 0) == 0) open.erase(std::atol(line.c_str() + 12));
  }
  return open.size();
}

bool Restart(int broker, const std::string& dir, int answered, int queued) {
  const std::string state = dir + "/restart";
  const std::vector<std::string> more{"--pace",    "1",   "--queue", std::to_string(answered),
                                      "--max-age", "3600"};
  std::string all;
  const auto fill_start = Clock::now();
  {  // the answered ids: every request written to a live bus
    Bus bus;
    Gateway gateway(broker, bus.Port(), "restart", state, more);
    if (!Online(broker, "restart") || !WaitFor([&] { return bus.Connected(); }, 30)) return false;
    Publisher pub(broker, "restart");
    for (int i = 0; i < answered; ++i) all += Request(i);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    pub.Send(all);
    if (!WaitFor([&] { return bus.Count() >= static_cast<std::size_t>(answered); }, 600)) {
      std::fprintf(stderr, "only %zu of %d answered\n", bus.Count(), answered);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the last answers recorded
  }
  std::printf("restart: %d answered ids made in %.1f s\n", answered,
              Ms(Clock::now() - fill_start) / 1000.0);
  {  // the queued requests: the bus down (nothing listens on port 1), a clean stop
    Gateway gateway(broker, 1, "restart", state, more);
    if (!Online(broker, "restart")) return false;
    Publisher pub(broker, "restart");
    all.clear();
    for (int i = 0; i < queued; ++i) all += Request(answered + i);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    pub.Send(all);
    if (!WaitFor(
            [&] { return Waiting(state + "/queue.jsonl") >= static_cast<std::size_t>(queued); },
            120)) {
      std::fprintf(stderr, "the %d requests were not all queued\n", queued);
      return false;
    }
  }
  std::ifstream size_of(state + "/queue.jsonl", std::ios::ate);
  const double mb = static_cast<double>(size_of.tellg()) / 1e6;
  Bus bus;
  StatusWatch watch(broker, "restart");
  if (!WaitFor([&] { return watch.Count() >= 1; }, 5)) return false;  // the retained "stopped"
  const auto start = Clock::now();
  Gateway gateway(broker, bus.Port(), "restart", state, more);
  Clock::time_point online;
  if (!WaitFor([&] { return watch.Find(1, "\"online\"", &online); }, 60) ||
      !WaitFor([&] { return bus.Count() >= 1; }, 60)) {
    std::fprintf(stderr, "the restarted gateway did not come up or wrote nothing\n");
    return false;
  }
  const auto first = bus.Ends().front();
  WaitFor([&] { return bus.Count() >= static_cast<std::size_t>(queued); }, 120);
  std::printf(
      "restart with %d answered ids and %d queued requests (queue.jsonl %.1f MB, on disk):\n"
      "  start -> B/status online %.0f ms; start -> first queued request at the bus %.0f ms;"
      " ready (both) %.0f ms   (target <= 1000 ms); %zu of %d queued then written   [load %.2f]\n",
      answered, queued, mb, Ms(online - start), Ms(first - start),
      Ms(std::max(online, first) - start), bus.Count(), queued, LoadAverage());
  return true;
}

// Publish -> last byte at an idle bus, k requests each after the last arrived and the pace passed.
bool IdleLatency(int broker, const std::string& state, const std::string& name, int k,
                 std::vector<double>* latency) {
  Bus bus;
  Gateway gateway(broker, bus.Port(), name, state, {"--pace", "10"});
  if (!Online(broker, name) || !WaitFor([&] { return bus.Connected(); }, 30)) return false;
  Publisher pub(broker, name);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (int i = 0; i < k; ++i) {
    const std::size_t before = bus.Count();
    const auto sent = Clock::now();
    pub.Send(Request(i));
    if (!WaitFor([&] { return bus.Count() > before; }, 10)) {
      std::fprintf(stderr, "%s: request %d never reached the bus\n", name.c_str(), i);
      return false;
    }
    latency->push_back(Ms(bus.Ends().back() - sent));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

bool AddedLatency(int broker, const std::string& dir, int k) {
  char shm_template[] = "/dev/shm/tvx-gateway-queue-bench-XXXXXX";
  const std::string shm = ::mkdtemp(shm_template);
  std::vector<double> disk, memory;
  // Interleaved in halves, so that a change in the machine's load falls on both.
  // A name per gateway: a bus's retained status would make the next one look online at once.
  const bool ok = IdleLatency(broker, dir + "/disk0", "disk0", k / 2, &disk) &&
                  IdleLatency(broker, shm + "/shm0", "shm0", k / 2, &memory) &&
                  IdleLatency(broker, dir + "/disk1", "disk1", k - k / 2, &disk) &&
                  IdleLatency(broker, shm + "/shm1", "shm1", k - k / 2, &memory);
  std::system(("rm -rf '" + shm + "'").c_str());
  if (!ok) {
    std::fprintf(stderr, "a request never reached the bus\n");
    return false;
  }
  std::printf("durable queue's added latency, published -> last byte at an idle bus, %d each:\n",
              k);
  std::printf("  state on disk:     p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", Percentile(disk, 50),
              Percentile(disk, 99), Percentile(disk, 100));
  std::printf("  state on /dev/shm: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              Percentile(memory, 50), Percentile(memory, 99), Percentile(memory, 100));
  std::printf("  added: p50 %+.2f ms, p99 %+.2f ms   (target p99 <= 2 ms)   [load %.2f]\n",
              Percentile(disk, 50) - Percentile(memory, 50),
              Percentile(disk, 99) - Percentile(memory, 99), LoadAverage());
  return true;
}

bool Fleet(int broker, const std::string& dir, int gateways, int rate, double seconds) {
  std::vector<std::unique_ptr<Bus>> buses;
  std::vector<std::unique_ptr<Gateway>> fleet;
  std::vector<std::unique_ptr<Publisher>> pubs;
  for (int g = 0; g < gateways; ++g) {
    const std::string name = "fleet" + std::to_string(g);
    buses.push_back(std::make_unique<Bus>());
    fleet.push_back(std::make_unique<Gateway>(broker, buses.back()->Port(), name, dir + "/" + name,
                                              std::vector<std::string>{"--pace", "10"}));
  }
  for (int g = 0; g < gateways; ++g) {
    if (!Online(broker, "fleet" + std::to_string(g)) ||
        !WaitFor([&] { return buses[g]->Connected(); }, 30))
      return false;
    pubs.push_back(std::make_unique<Publisher>(broker, "fleet" + std::to_string(g)));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // Requests spread evenly: every 1/(G*R) s the next gateway in turn gets one.
  const int total = static_cast<int>(seconds * gateways * rate);
  const auto step = std::chrono::duration<double>(1.0 / (gateways * rate));
  std::vector<std::vector<Clock::time_point>> sent(gateways);
  double cpu_before = 0;
  for (const auto& gw : fleet) cpu_before += ReadProcCost(gw->pid).cpu_ms;
  const auto start = Clock::now();
  for (int i = 0; i < total; ++i) {
    std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(step * i));
    const int g = i % gateways;
    sent[g].push_back(Clock::now());
    pubs[g]->Send(Request(i));
  }
  const auto end = Clock::now();
  double cpu = -cpu_before;
  for (const auto& gw : fleet) cpu += ReadProcCost(gw->pid).cpu_ms;
  const bool all = WaitFor(
      [&] {
        for (int g = 0; g < gateways; ++g)
          if (buses[g]->Count() < sent[g].size()) return false;
        return true;
      },
      30);
  // A request found its bus idle when the one before it had arrived a pace before it came.
  std::vector<double> idle;
  std::size_t answered = 0, busy = 0;
  for (int g = 0; g < gateways; ++g) {
    const auto ends = buses[g]->Ends();
    answered += std::min(ends.size(), sent[g].size());
    for (std::size_t i = 0; i < std::min(ends.size(), sent[g].size()); ++i) {
      if (i > 0 && ends[i - 1] + std::chrono::milliseconds(10) > sent[g][i]) {
        ++busy;
        continue;
      }
      idle.push_back(Ms(ends[i] - sent[g][i]));
    }
  }
  std::printf("%d gateways at %d requests/s each through one mosquitto, %.0f s:\n", gateways, rate,
              seconds);
  std::printf("  %zu of %d requests at their bus%s\n", answered, total,
              all ? "" : " (NOT all answered)");
  std::printf("  all gateways' CPU together: %.1f %% of one core   (target <= 20 %%)\n",
              cpu / Ms(end - start) * 100.0);
  if (!idle.empty())
    std::printf(
        "  published -> bus, %zu requests that found their bus idle (%zu did not): p50 %.2f,"
        " p99 %.2f, max %.2f ms   (target p99 <= 50 ms)   [load %.2f]\n",
        idle.size(), busy, Percentile(idle, 50), Percentile(idle, 99), Percentile(idle, 100),
        LoadAverage());
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int answered = 10000, queued = 1000, idle = 500, gateways = 20;
  std::string only;         // restart, latency or fleet: that part alone
  std::string fleet_state;  // --fleet-state DIR: the fleet's state folders there (e.g. /dev/shm)
  double seconds = 60;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--answered")) answered = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--queued")) queued = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--idle")) idle = std::max(2, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::max(1.0, std::atof(argv[i + 1]));
    if (!std::strcmp(argv[i], "--gateways")) gateways = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--only")) only = argv[i + 1];
    if (!std::strcmp(argv[i], "--fleet-state")) fleet_state = argv[i + 1];
  }
  // On disk, not /tmp: /tmp may be a tmpfs, where a sync costs nothing.
  char dir_template[] = "/var/tmp/tvx-gateway-queue-bench-XXXXXX";
  const std::string dir = ::mkdtemp(dir_template);
  const int broker = FreePort();
  {
    std::ofstream conf(dir + "/mosquitto.conf");
    conf << "listener " << broker << " 127.0.0.1\nallow_anonymous true\npersistence false\n"
         << "log_dest none\nmax_queued_messages 100000\n";
  }
  const pid_t mosquitto = Spawn({"mosquitto", "-c", dir + "/mosquitto.conf"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto part = [&](const char* name) { return only.empty() || only == name; };
  const bool ok = (!part("latency") || AddedLatency(broker, dir, idle)) &&
                  (!part("restart") || Restart(broker, dir, answered, queued)) &&
                  (!part("fleet") ||
                   Fleet(broker, fleet_state.empty() ? dir : fleet_state, gateways, 10, seconds));
  Stop(mosquitto);
  std::system(("rm -rf '" + dir + "'").c_str());
  return ok ? 0 : 1;
}
