// The simulator under load: 64 TCP connections, each at a full 9600-baud line's rate
// (960 bytes/s), into a bus of 1,000 devices. Prints the simulator's CPU use (share of one
// core), whether every packet was decoded, and how long after a packet's last byte its
// monitor line appeared. Run: build/bench/tvx_sim_load [SECONDS]   (default 20)
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kConnections = 64;
constexpr int kDevices = 1000;
constexpr int kBytesPerSecond = 960;
constexpr int kTickMs = 50;

// User and system time of a process so far, in seconds (Linux).
double CpuSeconds(qint64 pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  std::string field;
  for (char c : text.substr(close + 2)) {
    if (c == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
  if (fields.size() < 13) return 0;
  return (std::stod(fields[11]) + std::stod(fields[12])) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
  QTemporaryDir dir;
  const QString devices = dir.filePath("bus.txt");
  {
    std::ofstream out(devices.toStdString());
    // Numeric displays at groups 01.., units 01..50: every packet reaches exactly one.
    for (int i = 0; i < kDevices; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "numeric %d %02d %02d\n", 20000 + i, 1 + i / 50, 1 + i % 50);
      out << line;
    }
  }
  QProcess sim;
  sim.start(QCoreApplication::applicationDirPath() + "/../app/tvxorm",
            {"sim", "--headless", "--listen", "0", "--devices", devices});
  std::string output;
  int port = 0;
  QElapsedTimer wait;
  wait.start();
  while (port == 0 && wait.elapsed() < 10000) {
    sim.waitForReadyRead(50);
    output += sim.readAllStandardOutput().toStdString();
    const auto m =
        QRegularExpression("tcp:(\\d+)  listening").match(QString::fromStdString(output));
    if (m.hasMatch()) port = m.captured(1).toInt();
  }
  if (port == 0) {
    std::fprintf(stderr, "the simulator did not start: %s\n",
                 sim.readAllStandardError().constData());
    return 1;
  }

  std::vector<std::unique_ptr<QTcpSocket>> links;
  for (int i = 0; i < kConnections; ++i) {
    links.push_back(std::make_unique<QTcpSocket>());
    links.back()->connectToHost("127.0.0.1", static_cast<quint16>(port));
    if (!links.back()->waitForConnected(5000)) return 1;
  }
  // Each packet carries a number unique to it, so its monitor line can be found.
  std::map<int, qint64> sent_at;  // number -> ns when its last byte was written
  std::vector<double> latency_ms;
  int decoded = 0;
  int unreached = 0;
  QElapsedTimer clock;
  clock.start();
  int next = 0;
  int packets = 0;
  std::vector<double> owed(kConnections, 0.0);
  const double cpu_start = CpuSeconds(sim.processId());
  QTimer pace;
  QObject::connect(&pace, &QTimer::timeout, [&] {
    for (int i = 0; i < kConnections; ++i) {
      owed[i] += kBytesPerSecond * kTickMs / 1000.0;
      while (true) {
        const int number = next;
        const int device = number % kDevices;
        char packet[64];
        const int size = std::snprintf(packet, sizeof packet, "\x02%02d%02d\x1bNUM%dN1A\x04",
                                       1 + device / 50, 1 + device % 50, number % 10000);
        if (owed[i] < size) break;
        owed[i] -= size;
        ++next;
        ++packets;
        links[i]->write(packet, size);
        links[i]->flush();
        if (number % 50 == 0 && number < 10000) sent_at[number % 10000] = clock.nsecsElapsed();
      }
    }
  });
  QObject::connect(&sim, &QProcess::readyReadStandardOutput, [&] {
    const qint64 now = clock.nsecsElapsed();
    output += sim.readAllStandardOutput().toStdString();
    std::size_t end;
    while ((end = output.find('\n')) != std::string::npos) {
      const std::string line = output.substr(0, end);
      output.erase(0, end + 1);
      const auto at = line.find("NUM");
      if (at == std::string::npos) continue;
      ++decoded;
      if (line.find("no device at this address") != std::string::npos) ++unreached;
      const int number = std::atoi(line.c_str() + at + 3);
      const auto it = sent_at.find(number);
      if (it != sent_at.end()) {
        latency_ms.push_back((now - it->second) / 1e6);
        sent_at.erase(it);
      }
    }
  });
  pace.start(kTickMs);
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  app.exec();
  pace.stop();
  const double cpu = CpuSeconds(sim.processId()) - cpu_start;
  const double elapsed = clock.elapsed() / 1000.0;
  // What is still on its way is decoded before the count.
  QElapsedTimer drain;
  drain.start();
  while (drain.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  sim.disconnect();
  sim.terminate();
  sim.waitForFinished(5000);
  std::sort(latency_ms.begin(), latency_ms.end());
  std::printf("%d connections at %d bytes/s into %d devices for %.1f s: %d packets sent\n",
              kConnections, kBytesPerSecond, kDevices, elapsed, packets);
  std::printf("decoded: %d of %d packets, %d reaching no device\n", decoded, packets, unreached);
  std::printf("simulator CPU: %.2f s, %.1f %% of one core\n", cpu, 100.0 * cpu / elapsed);
  if (!latency_ms.empty()) {
    std::printf(
        "monitor line after the last byte: median %.2f ms, 90th percentile %.2f ms (%zu samples)\n",
        latency_ms[latency_ms.size() / 2], latency_ms[latency_ms.size() * 9 / 10],
        latency_ms.size());
  }
  return 0;
}
