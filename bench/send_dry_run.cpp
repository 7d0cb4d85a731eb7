// Times `tvxorm send --dry-run NUM ...` as a whole process, start to exit, and prints the
// median and worst of 50 runs. Run: build/bench/tvx_send_dry_run
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args{"send", "--dry-run", "NUM", "number=1234", "group=1", "unit=2"};
  std::vector<qint64> times;
  for (int i = 0; i < 50; ++i) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(TVX_BINARY, args);
    process.waitForFinished(10000);
    times.push_back(clock.nsecsElapsed() / 1000);
    if (process.exitCode() != 0) {
      std::fprintf(stderr, "send failed: %s\n", process.readAllStandardError().constData());
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "tvxorm send --dry-run NUM: median %.1f ms, worst %.1f ms over %zu runs (limit 50 ms)\n",
      times[times.size() / 2] / 1000.0, times.back() / 1000.0, times.size());
  return 0;
}
