// Journal costs: the time one entry takes to record and write (what the user-interface thread
// waits for), and the time `tvxorm journal` takes to filter a 50 MB journal.
// Run: build/bench/tvx_journal [DIRECTORY]   (default: a temporary directory)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "app/journal_command.h"
#include "app/journal_file.h"

namespace {

using tvx::console::JournalEntry;

constexpr std::int64_t kFileBytes = 50LL * 1024 * 1024;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Percentile99(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() * 99 / 100];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir temporary;
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();

  // One packet an entry, as a NUM send journals it: the observer, the entry's end (decoding
  // its packets) and the file's append.
  {
    const std::string path = (dir + "/bench-entries.jsonl").toStdString();
    QFile::remove(QString::fromStdString(path));
    tvx::app::JournalFile file(
        path, [](const std::string& w) { std::fprintf(stderr, "%s\n", w.c_str()); });
    file.Open();
    tvx::console::Journal journal(tvx::app::JournalNow, [](tvx::protocol::Link) {
      return std::string("Comm 1 = /dev/ttyUSB0");
    });
    journal.AddListener([&file](const JournalEntry& e) { file.Append(e); });
    const char* pieces[] = {"\x02", "01", "02", "\x1b", "NUM", "1234", "N", "1A", "\x04"};
    std::vector<double> ms;
    for (int i = 0; i < 5000; ++i) {
      QElapsedTimer clock;
      clock.start();
      for (const char* piece : pieces) journal.Written(tvx::protocol::Link::Serial, piece, true);
      journal.End("The 'Number ' command has been sent to Group = 01, Unit = 02");
      ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("journal one packet: median %.3f ms, 99th percentile %.3f ms (5000 entries)\n",
                Median(ms), Percentile99(ms));
  }

  // A 50 MB journal, then the command filtering it for one address.
  const std::string big = (dir + "/bench-50mb.jsonl").toStdString();
  QFile::remove(QString::fromStdString(big));
  {
    tvx::app::JournalFile file(big, {}, kFileBytes * 2);
    file.Open();
    JournalEntry entry;
    entry.destination = "Comm 1 = /dev/ttyUSB0";
    entry.status = "The 'Number ' command has been sent to Group = 01, Unit = 02";
    std::int64_t written = 0;
    for (int i = 0; written < kFileBytes; ++i) {
      const std::string address = (i % 7 == 0) ? "0305" : "0102";
      entry.time = {1'796'731'200'000 + i, 3600};
      entry.packets = {
          {"\x02" + address + "\x1bNUM" + std::to_string(i % 10000) + "N1A\x04", "NUM", address}};
      file.Append(entry);
      written += static_cast<std::int64_t>(tvx::app::JournalLine(entry).size()) + 1;
    }
  }
  std::ostringstream out, err;
  QElapsedTimer clock;
  clock.start();
  tvx::app::RunJournal({big, "--address", "0305"}, out, err);
  const double seconds = clock.elapsed() / 1000.0;
  std::printf("tvxorm journal --address on %.1f MB: %.2f s, %zu bytes printed\n",
              QFile(QString::fromStdString(big)).size() / 1048576.0, seconds, out.str().size());
  QFile::remove(QString::fromStdString(big));
  return 0;
}
