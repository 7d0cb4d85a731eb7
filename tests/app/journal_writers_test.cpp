#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "app/files.h"
#include "app/journal_file.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The journal file under stress: a disk that fills up in the middle of an entry, and two
// programs writing one journal at once.
namespace tvx::testing {
namespace {

using console::JournalEntry;

constexpr std::int64_t kNoon = 1'796'731'200'000;  // 2026-12-08T12:00:00Z

JournalEntry Numbered(int n) {
  JournalEntry e;
  e.time = {kNoon + n, 3600};
  e.destination = "Comm 1 = /dev/ttyUSB0";
  e.packets = {
      {"\x02"
       "0102\x1bNUM" +
           std::to_string(n) + "N\x04",
       "NUM", "0102"}};
  e.status = "The 'Number ' command has been sent to Group = 01, Unit = 02";
  return e;
}

struct Read {
  std::vector<std::int64_t> times;
  int bad_lines = 0;
};

Read ReadAll(const std::string& path) {
  Read read;
  app::ReadJournal(
      app::JournalFiles(path),
      [&read](JournalEntry&& e) {
        read.times.push_back(e.time.utc_ms - kNoon);
        return true;
      },
      &read.bad_lines);
  return read;
}

#ifndef _WIN32
// The file size limit cuts a write short exactly as a full disk does, without a disk to fill.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  rlimit saved_{};
  void (*handler_)(int) = nullptr;
};

TEST(JournalWriters, AnEntryCutShortIsTakenBackAndTheNextOneIsWhole) {
  TempDir dir;
  const std::string path = dir.File("journal.jsonl");
  std::vector<std::string> warnings;
  app::JournalFile file(path, [&warnings](const std::string& w) { warnings.push_back(w); });
  ASSERT_TRUE(file.Append(Numbered(1)));
  const std::string before = TempDir::Read(path);
  {
    // Room for part of the next entry only.
    FileSizeLimit full(before.size() + 40);
    EXPECT_FALSE(file.Append(Numbered(2)));
  }
  EXPECT_EQ(TempDir::Read(path), before) << "no half entry stays";
  ASSERT_TRUE(file.Append(Numbered(3)));
  const Read read = ReadAll(path);
  EXPECT_EQ(read.times, (std::vector<std::int64_t>{1, 3}));
  EXPECT_EQ(read.bad_lines, 0);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(app::SystemReason(EFBIG)), std::string::npos) << warnings[0];
}
#endif

// An unfinished last line (a power loss in the middle of a write) must not swallow the entry
// written after it.
TEST(JournalWriters, AnEntryAfterAnUnfinishedLineStartsALineOfItsOwn) {
  TempDir dir;
  const std::string path = dir.Write("journal.jsonl", "{\"time\":\"2026-12-08T1");
  app::JournalFile file(path, {});
  ASSERT_TRUE(file.Append(Numbered(1)));
  const Read read = ReadAll(path);
  EXPECT_EQ(read.times, std::vector<std::int64_t>{1});
  EXPECT_EQ(read.bad_lines, 1);
}

// What the window and send leave when they take turns is what one writer leaves: each rotation
// happens once, at the size of the file at the path.
TEST(JournalWriters, TwoWritersTakingTurnsRotateAsOneWould) {
  TempDir dir;
  constexpr std::int64_t kRotate = 4000;  // about eight entries a file
  constexpr int kEntries = 36;            // five files' worth, so an early rotation loses some
  const std::string one = dir.File("one.jsonl");
  const std::string two = dir.File("two.jsonl");
  {
    app::JournalFile single(one, {}, kRotate);
    app::JournalFile window(two, {}, kRotate);
    app::JournalFile send(two, {}, kRotate);
    for (int n = 0; n < kEntries; ++n) {
      ASSERT_TRUE(single.Append(Numbered(n)));
      ASSERT_TRUE((n % 3 == 0 ? send : window).Append(Numbered(n)));
    }
  }
  const auto single_files = app::JournalFiles(one);
  const auto shared_files = app::JournalFiles(two);
  ASSERT_EQ(single_files.size(), shared_files.size());
  for (std::size_t i = 0; i < single_files.size(); ++i) {
    EXPECT_EQ(TempDir::Read(shared_files[i]), TempDir::Read(single_files[i])) << shared_files[i];
  }
  EXPECT_EQ(ReadAll(two).times.front(), ReadAll(one).times.front());
}

TEST(JournalWriters, TwoWritersAtOnceLoseNoEntryAndKeepEachFileInBounds) {
  TempDir dir;
  constexpr int kEach = 30;
  // Thirteen entries a file: both writers' entries fill the five files all but five places, so
  // one rotation too many loses entries.
  const auto rotate = static_cast<std::int64_t>(13 * (app::JournalLine(Numbered(1000)).size() + 1));
  const std::string path = dir.File("journal.jsonl");
  auto writer = [&path, rotate](int first) {
    app::JournalFile file(path, {}, rotate);
    for (int n = first; n < first + kEach; ++n) ASSERT_TRUE(file.Append(Numbered(n)));
  };
  std::thread window(writer, 0);
  std::thread send(writer, 1000);
  window.join();
  send.join();
  const Read read = ReadAll(path);
  EXPECT_EQ(read.bad_lines, 0);
  std::vector<std::int64_t> window_times, send_times;
  for (std::int64_t t : read.times) (t < 1000 ? window_times : send_times).push_back(t);
  ASSERT_EQ(window_times.size(), static_cast<std::size_t>(kEach));
  ASSERT_EQ(send_times.size(), static_cast<std::size_t>(kEach));
  for (int n = 0; n < kEach; ++n) {
    EXPECT_EQ(window_times[n], n);
    EXPECT_EQ(send_times[n], 1000 + n);
  }
  for (const std::string& name : app::JournalFiles(path)) {
    EXPECT_LE(TempDir::Read(name).size(), static_cast<std::size_t>(rotate)) << name;
  }
}

#ifndef _WIN32
// A writer stopped while it holds the lock (a debugger, Ctrl+Z) must not freeze the window:
// the entry goes in without the lock after a while.
TEST(JournalWriters, AWriterStoppedHoldingTheLockHoldsNoOneForever) {
  TempDir dir;
  const std::string path = dir.Write("journal.jsonl", "");
  const int stopped = open(path.c_str(), O_RDONLY);
  ASSERT_EQ(flock(stopped, LOCK_EX), 0);
  app::JournalFile file(path, {});
  EXPECT_TRUE(file.Append(Numbered(1)));
  close(stopped);
  EXPECT_EQ(ReadAll(path).times, std::vector<std::int64_t>{1});
}
#endif

// A journal path that is no regular file is refused at once: a pipe would hold the program,
// a device would be written to or read forever.
TEST(JournalWriters, APathThatIsNoRegularFileIsRefused) {
  TempDir dir;
  std::vector<std::string> paths = {dir.File("")};
#ifndef _WIN32
  paths.push_back("/dev/null");
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  paths.push_back(fifo);
#endif
  for (const std::string& path : paths) {
    std::vector<std::string> warnings;
    app::JournalFile file(path, [&warnings](const std::string& w) { warnings.push_back(w); });
    EXPECT_FALSE(file.Append(Numbered(1))) << path;
    ASSERT_EQ(warnings.size(), 1u) << path;
    EXPECT_NE(warnings[0].find(app::Quoted(path)), std::string::npos) << warnings[0];
    // Nor is it read: the window's journal panel reads the file's end at start.
    EXPECT_TRUE(app::ReadJournalTail(path, 10).empty()) << path;
    EXPECT_TRUE(ReadAll(path).times.empty()) << path;
  }
}

}  // namespace
}  // namespace tvx::testing
