#include "app/journal_mark.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/journal_file.h"
#include "tests/support/temp_dir.h"

// What the journal held at start, read later: never what this run wrote since, wherever
// rotation has moved the file meanwhile.
namespace tvx::testing {
namespace {

using app::JournalFile;
using app::JournalLine;
using app::JournalMark;

constexpr std::int64_t kStart = 1'796'731'200'000;
constexpr int kPerFile = 3;

// A long entry (a grid's) takes more than one piece of the mark's read.
console::JournalEntry Entry(int n, std::size_t long_bytes = 0) {
  console::JournalEntry e;
  e.time = {kStart + n, 0};
  e.destination = "Comm 1 = /dev/ttyUSB0";
  e.packets = console::JournalPackets(
      "\x02"
      "0102\x1bNUM12N1A\x04" +
      std::string(long_bytes, 'A'));
  e.status = "sent";
  return e;
}

std::vector<int> Numbers(const std::vector<console::JournalEntry>& entries) {
  std::vector<int> numbers;
  numbers.reserve(entries.size());
  for (const auto& e : entries) numbers.push_back(static_cast<int>(e.time.utc_ms - kStart));
  return numbers;
}

struct MarkCase {
  const char* name;
  int before;  // entries in the journal at the mark
  int after;   // entries written since
  std::size_t count;
  std::vector<int> listed;
  std::size_t long_bytes = 0;
};

TEST(JournalMark, ListsWhatTheJournalHeldAtTheMarkOnly) {
  const MarkCase cases[] = {
      {"no journal at the mark", 0, 4, 10, {}},
      {"entries since are left out", 2, 1, 10, {0, 1}},
      {"rotated once since", 2, 3, 10, {0, 1}},
      {"rotated twice since", 2, 2 * kPerFile, 10, {0, 1}},
      {"a full file rotated at once", kPerFile, 1, 10, {0, 1, 2}},
      {"the last entries only", 5, 0, 1, {4}},
      {"rotated out of reach", 2, JournalFile::kKeptFiles * kPerFile, 10, {}},
      {"long entries, rotated once since", 2, 3, 10, {0, 1}, 20000},
      {"long entries, the last ones", 3, 1, 2, {1, 2}, 9000},
  };
  for (const MarkCase& c : cases) {
    // Every entry's line has the same length: a file holds kPerFile of them.
    const auto line = static_cast<std::int64_t>(JournalLine(Entry(0, c.long_bytes)).size() + 1);
    TempDir dir;
    const std::string path = dir.File("journal.jsonl");
    int n = 0;
    {
      JournalFile file(path, {}, kPerFile * line);
      for (; n < c.before; ++n) ASSERT_TRUE(file.Append(Entry(n, c.long_bytes))) << c.name;
    }
    const JournalMark mark(path);
    {
      JournalFile file(path, {}, kPerFile * line);
      for (; n < c.before + c.after; ++n)
        ASSERT_TRUE(file.Append(Entry(n, c.long_bytes))) << c.name;
    }
    EXPECT_EQ(Numbers(mark.EntriesBefore(c.count)), c.listed) << c.name;
  }
}

TEST(JournalMark, AJournalReplacedSinceListsNothing) {
  TempDir dir;
  const std::string path = dir.File("journal.jsonl");
  {
    JournalFile file(path, {});
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(file.Append(Entry(n)));
  }
  const JournalMark mark(path);
  dir.Write("journal.jsonl", JournalLine(Entry(7)) + "\n" + JournalLine(Entry(8)) + "\n" +
                                 JournalLine(Entry(9)) + "\n" + JournalLine(Entry(10)) + "\n");
  EXPECT_EQ(Numbers(mark.EntriesBefore(10)), std::vector<int>{});
}

}  // namespace
}  // namespace tvx::testing
