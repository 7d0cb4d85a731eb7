#include "app/journal_file.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/journal_command.h"

// The journal on disk: what is written reads back the same, rotation keeps the newest files,
// a file that cannot be written is reported once and never stops the caller.
namespace tvx::testing {
namespace {

using console::AndonTally;
using console::JournalEntry;
using console::JournalTime;

JournalEntry Entry(std::int64_t utc_ms, std::string bytes, std::string command = "NUM",
                   std::string address = "0102") {
  JournalEntry e;
  e.time = {utc_ms, 3600};
  e.destination = "Comm 2 = /dev/ttyUSB0";
  e.packets = {{std::move(bytes), std::move(command), std::move(address)}};
  e.status = "The 'Number ' command has been sent to Group = 01, Unit = 02";
  return e;
}

constexpr std::int64_t kNoon = 1'796'731'200'000;  // 2026-12-08T12:00:00Z

TEST(JournalFile, EveryKindOfEntryReadsBackAsItWasWritten) {
  JournalEntry tcp = Entry(kNoon,
                           "\x02"
                           "0102\x1bNUM12N\x04");
  tcp.link = protocol::Link::Tcp;
  tcp.destination = "10.0.0.5:3001";
  tcp.time.offset_s = -5 * 3600;
  JournalEntry failed = Entry(kNoon + 1,
                              "\x02"
                              "0102\x1bNUM12N\x04");
  failed.written = false;
  failed.error = "Input/output error";
  failed.status = "ERROR: The packet could not be written to comm port 2.";
  JournalEntry grid = Entry(kNoon + 2,
                            "\x02"
                            "0101\x1b"
                            "AC11R2C1A1P\x04",
                            "AC1", "0101");
  grid.packets.push_back(
      {"\x02"
       "0101\x1b"
       "AC12R3C1A1P\x04",
       "AC1", "0101"});
  grid.andon = AndonTally{2, 3, false};
  JournalEntry resend = Entry(kNoon + 3,
                              "\x02"
                              "0102\x1bNUM12N\x04");
  resend.resend = true;
  // Typed by hand: every byte value, and a status line with a character above 127.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  JournalEntry misc = Entry(kNoon + 4, all, "", "");
  misc.status = "caf\xe9";
  for (const JournalEntry& e : {tcp, failed, grid, resend, misc}) {
    const std::string line = app::JournalLine(e);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "one line an entry";
    const auto back = app::ParseJournalLine(line);
    ASSERT_TRUE(back) << line;
    EXPECT_EQ(*back, e) << line;
  }
  EXPECT_EQ(app::LocalTimeText(tcp.time), "2026-12-08T07:00:00.000-05:00");
  EXPECT_EQ(app::UtcTimeText(tcp.time), "2026-12-08T12:00:00.000Z");
  for (const char* bad : {"", "{", "[]", "{\"time\":\"noon\"}", "{\"utc\":1}"}) {
    EXPECT_FALSE(app::ParseJournalLine(bad)) << bad;
  }
}

// Read without Qt's local time: the same instant and the same offset from UTC as Qt's.
TEST(JournalFile, NowIsTheInstantWithItsOffsetFromUtc) {
  const std::int64_t before = QDateTime::currentMSecsSinceEpoch();
  const JournalTime now = app::JournalNow();
  const std::int64_t after = QDateTime::currentMSecsSinceEpoch();
  EXPECT_LE(before, now.utc_ms);
  EXPECT_LE(now.utc_ms, after);
  EXPECT_EQ(now.offset_s, QDateTime::fromMSecsSinceEpoch(now.utc_ms).offsetFromUtc());
}

TEST(JournalFile, RotatesAtItsSizeKeepingTheNewestFiveFiles) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("journal.jsonl").toStdString();
  const std::int64_t rotate = 4000;
  {
    app::JournalFile file(path, {}, rotate);
    ASSERT_TRUE(file.Open());
    for (int i = 0; i < 200; ++i)
      ASSERT_TRUE(file.Append(Entry(kNoon + i,
                                    "\x02"
                                    "x\x04")));
  }
  const auto files = app::JournalFiles(path);
  ASSERT_EQ(files.size(), 5u);
  EXPECT_EQ(files.back(), path);
  std::vector<std::int64_t> times;
  for (const std::string& name : files) {
    EXPECT_LE(QFile(QString::fromStdString(name)).size(), rotate) << name;
  }
  app::ReadJournal(
      files,
      [&times](JournalEntry&& e) {
        times.push_back(e.time.utc_ms);
        return true;
      },
      nullptr);
  ASSERT_FALSE(times.empty());
  EXPECT_EQ(times.back(), kNoon + 199) << "the newest last";
  for (std::size_t i = 1; i < times.size(); ++i) EXPECT_EQ(times[i], times[i - 1] + 1);
  const auto tail = app::ReadJournalTail(path, 1);
  ASSERT_EQ(tail.size(), 1u);
  EXPECT_EQ(tail[0].time.utc_ms, kNoon + 199);
}

TEST(JournalFile, AFileThatCannotBeWrittenIsReportedOnceAndAVanishedOneIsMadeAgain) {
  QTemporaryDir dir;
  // A directory cannot be made under a plain file.
  QFile blocker(dir.filePath("plain"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  std::vector<std::string> warnings;
  {
    app::JournalFile file(dir.filePath("plain/journal.jsonl").toStdString(),
                          [&warnings](const std::string& w) { warnings.push_back(w); });
    EXPECT_FALSE(file.Open());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(file.Append(Entry(kNoon, "x")));
  }
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("cannot create the directory"), std::string::npos) << warnings[0];

  const std::string path = dir.filePath("state/journal.jsonl").toStdString();
  app::JournalFile file(path, [&warnings](const std::string& w) { warnings.push_back(w); });
  ASSERT_TRUE(file.Open());
  ASSERT_TRUE(file.Append(Entry(kNoon, "a")));
  ASSERT_TRUE(QDir(dir.filePath("state")).removeRecursively());
  ASSERT_TRUE(file.Append(Entry(kNoon + 1, "b")));
  const auto tail = app::ReadJournalTail(path, 10);
  ASSERT_EQ(tail.size(), 1u);
  EXPECT_EQ(tail[0].Bytes(), "b");
  EXPECT_EQ(warnings.size(), 1u);
}

// The journal command over one file: filters, both forms, and what it refuses.
TEST(JournalCommand, FiltersPrintsAndRefuses) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("j.jsonl").toStdString();
  {
    app::JournalFile file(path, {});
    ASSERT_TRUE(file.Open());
    file.Append(Entry(kNoon,
                      "\x02"
                      "0102\x1bNUM12N\x04"));
    file.Append(Entry(kNoon + 86'400'000,
                      "\x02"
                      "0305\x1bNUM7N\x04",
                      "NUM", "0305"));
    JournalEntry grid = Entry(kNoon + 2 * 86'400'000,
                              "\x02"
                              "0101\x1b"
                              "AC11R2C1A1P\x04",
                              "AC1", "0101");
    grid.status = "say \"hi\", then";
    file.Append(grid);
  }
  std::ofstream(path, std::ios::app) << "{\"torn\n";
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> shown;  // addresses, in order
  } cases[] = {
      {{}, {"0102", "0305", "0101"}},
      {{"--command", "num"}, {"0102", "0305"}},
      {{"--command=AC1"}, {"0101"}},
      {{"--address", "0305"}, {"0305"}},
      {{"--since", "2026-12-09"}, {"0305", "0101"}},
      {{"--since", "2026-12-09T13:00:00Z"}, {"0101"}},
      {{"--since", "2026-12-11 00:00"}, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), path);
    std::ostringstream out, err;
    ASSERT_EQ(app::RunJournal(args, out, err), 0) << err.str();
    EXPECT_NE(err.str().find("1 line is no journal entry"), std::string::npos) << err.str();
    std::vector<std::string> shown;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("    ", 0) == 0) continue;  // a packet under its entry
      std::istringstream words(line);
      std::string date, time, comm, port, eq, device, command, address;
      words >> date >> time >> comm >> port >> eq >> device >> command >> address;
      shown.push_back(address);
    }
    EXPECT_EQ(shown, c.shown) << args.size() << " " << (c.args.empty() ? "" : c.args[0]);
  }

  std::ostringstream csv, err;
  ASSERT_EQ(app::RunJournal({path, "--csv", "--command", "AC1"}, csv, err), 0);
  std::istringstream rows(csv.str());
  std::string header, row;
  std::getline(rows, header);
  std::getline(rows, row);
  EXPECT_EQ(header.rfind("time,utc,link,destination,command,address,outcome", 0), 0u);
  EXPECT_NE(row.find(",\"say \"\"hi\"\", then\","), std::string::npos) << row;
  EXPECT_NE(row.find(",<02>0101<1B>AC11R2C1A1P<04>,02 30 31 30 31 1B"), std::string::npos) << row;

  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--since", "yesterday"},
                                              {"--bogus"},
                                              {path, path},
                                              {"--command"},
                                              {dir.filePath("missing").toStdString()}}) {
    std::ostringstream out, why;
    EXPECT_EQ(app::RunJournal(bad, out, why), 2) << bad[0];
    EXPECT_FALSE(why.str().empty());
  }
}

}  // namespace
}  // namespace tvx::testing
