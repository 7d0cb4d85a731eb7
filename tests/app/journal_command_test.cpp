#include "app/journal_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/journal_file.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// tvxorm journal as a careless user or an adversary would run it: what it refuses, and what it
// prints that a terminal or a spreadsheet would otherwise act on.
namespace tvx::testing {
namespace {

using console::JournalEntry;

constexpr std::int64_t kNoon = 1'796'731'200'000;  // 2026-12-08T12:00:00Z

JournalEntry Entry(std::string bytes, std::string status = "The command is sent") {
  JournalEntry e;
  e.time = {kNoon, 0};
  e.destination = "Comm 1 = /dev/ttyUSB0";
  e.packets = {{std::move(bytes), "", ""}};
  e.status = std::move(status);
  return e;
}

struct Output {
  int code;
  std::string out, err;
};

Output Journal(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = app::RunJournal(args, out, err);
  return {code, out.str(), err.str()};
}

std::string WriteJournal(const TempDir& dir, const std::vector<JournalEntry>& entries) {
  const std::string path = dir.File("journal.jsonl");
  app::JournalFile file(path, {});
  for (const JournalEntry& e : entries) EXPECT_TRUE(file.Append(e));
  return path;
}

TEST(JournalCommand, RefusesWhatWouldPrintNothingOrNeverEnd) {
  TempDir dir;
  const std::string path = WriteJournal(dir, {Entry("ABC")});
  struct Case {
    std::vector<std::string> args;
    std::string reason;
  };
  std::vector<Case> cases = {
      {{dir.File("")}, "it is a folder, not a file"},
      {{"--address", "12", path}, "four digits"},
      {{"--address", "01O2", path}, "four digits"},
      {{"--command", "ZZZ", path}, "'ZZZ' is no command; the commands are AC1, AC2,"},
      {{"--since", "\x1b[2J", path}, "'<1B>[2J' is no ISO 8601"},
  };
#ifndef _WIN32
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  cases.push_back({{fifo}, "not a regular file"});
  cases.push_back({{"/dev/zero"}, "not a regular file"});
#endif
  for (const Case& c : cases) {
    const Output run = Journal(c.args);
    EXPECT_EQ(run.code, 2) << c.reason;
    EXPECT_EQ(run.out, "") << c.reason;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
  }
  for (const char* code : {"num", "Misc", "SS#"}) {
    EXPECT_EQ(Journal({"--command", code, path}).code, 0) << code;
  }
  EXPECT_EQ(Journal({"--address", "0102", path}).code, 0);
}

TEST(JournalCommand, HelpIsNoUnknownOption) {
  const Output run = Journal({"--help"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const char* option : {"--since", "--command", "--address", "--csv"}) {
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
  }
}

TEST(JournalCommand, CountsSkippedLinesInGoodGrammar) {
  for (const auto& [torn, said] : std::vector<std::pair<std::string, std::string>>{
           {"{\n", "1 line is no journal entry and was skipped"},
           {"{\n[]\n", "2 lines are no journal entries and were skipped"}}) {
    TempDir dir;
    const Output run = Journal({dir.Write("j.jsonl", torn)});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "tvxorm journal: " + said + "\n");
  }
}

// A cell a spreadsheet would run as a formula is made text the way spreadsheets expect.
TEST(JournalCommand, CsvCellsThatLookLikeFormulasAreText) {
  const struct {
    std::string bytes;
    std::string cell;  // tokens, as the row holds it
  } cases[] = {
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"+1+1", "\"'+1+1\""},
      {"-2", "\"'-2\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"A=1", "A=1"},
      {"1,2", "\"1,2\""},
  };
  TempDir dir;
  std::vector<JournalEntry> entries;
  for (const auto& c : cases) entries.push_back(Entry(c.bytes));
  const Output run = Journal({WriteJournal(dir, entries), "--csv"});
  ASSERT_EQ(run.code, 0) << run.err;
  std::istringstream rows(run.out);
  std::string row;
  std::getline(rows, row);  // the header
  for (const auto& c : cases) {
    std::getline(rows, row);
    EXPECT_NE(row.find("," + c.cell + ","), std::string::npos) << row;
  }
  // Spreadsheets also run a cell that starts with a tab.
  JournalEntry failed = Entry("x", "@status");
  failed.written = false;
  failed.error = "\t=cmd";
  const Output more = Journal({WriteJournal(dir, {failed}), "--csv"});
  EXPECT_NE(more.out.find(",\"'\t=cmd\",\"'@status\","), std::string::npos) << more.out;
}

// A destination is a device name or a host someone typed: its control bytes would move a
// terminal's cursor or end the CSV row.
TEST(JournalCommand, ADestinationPrintsItsControlBytesAsTokens) {
  TempDir dir;
  JournalEntry e = Entry("x");
  e.destination = "Comm 1 = /dev/tty\x1b[2J\r\nUSB0";
  const std::string path = WriteJournal(dir, {e});
  const Output text = Journal({path});
  EXPECT_NE(text.out.find("/dev/tty<1B>[2J<0D><0A>USB0  "), std::string::npos) << text.out;
  const Output csv = Journal({path, "--csv"});
  EXPECT_NE(csv.out.find(",Comm 1 = /dev/tty<1B>[2J<0D><0A>USB0,"), std::string::npos) << csv.out;
}

// The packets print as token text that reads back as their bytes: the characters "<1A>" and
// the byte 0x1A must not look alike, in the text and in the CSV.
TEST(JournalCommand, PacketsPrintAsTokenTextThatReadsBack) {
  TempDir dir;
  const std::string path = WriteJournal(dir, {Entry("<1A>"), Entry("\x1a")});
  const Output text = Journal({path});
  EXPECT_NE(text.out.find("    <3C>1A<3E>\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("    <1A>\n"), std::string::npos) << text.out;
  const Output csv = Journal({path, "--csv"});
  EXPECT_NE(csv.out.find(",<3C>1A<3E>,"), std::string::npos) << csv.out;
}

// Output that cannot be written (a full disk, a closed pipe) is no success.
TEST(JournalCommand, AnOutputThatFailsIsReported) {
  TempDir dir;
  const std::string path = WriteJournal(dir, {Entry("ABC")});
  for (const bool csv : {false, true}) {
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    std::vector<std::string> args = {path};
    if (csv) args.push_back("--csv");
    EXPECT_EQ(app::RunJournal(args, out, err), 1) << csv;
    EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos) << err.str();
  }
}

}  // namespace
}  // namespace tvx::testing
