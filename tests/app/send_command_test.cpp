// tvxorm send in-process, with --dry-run: what it refuses before anything could be written.
#include "app/send_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "andon/grid_file.h"
#include "tests/support/fail_stream.h"
#include "tests/support/harness.h"
#include "tests/support/temp_dir.h"

#if defined(__unix__)
#include <sys/stat.h>
#endif

namespace tvx::app {
namespace {

struct Outcome {
  int code;
  std::string out, err;
};

Outcome DryRun(std::vector<std::string> args) {
  args.insert(args.begin(), "--dry-run");
  std::ostringstream out, err;
  const int code = RunSend(args, out, err);
  return {code, out.str(), err.str()};
}

// A character the console would drop, or token text it would drop, is named, not lost.
TEST(SendCommandLine, NothingGivenVanishesFromThePacket) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string printed;  // standard output, or what standard error says
  };
  const Case cases[] = {
      {{"Misc", "packet=<GG>"},
       kSendBadUsage,
       "field 'packet': '<GG>' at character 1 is no byte: a token is <00> to <FF>"},
      {{"Misc", "packet=<02>AB<04"},
       kSendBadUsage,
       "field 'packet': '<04' at character 7 opens a token that is not closed"},
      {{"Misc", "packet=<02<1B>"}, kSendBadUsage, "'<02' at character 1 opens a token"},
      {{"Misc", "packet=a>b"}, kSendBadUsage, "'>' at character 2 closes no token"},
      {{"MRQ", "message=\xE6\x97\xA5\xE6\x9C\xAC", "group=1", "unit=5"},
       kSendBadUsage,
       "field 'message': character 1, '\xE6\x97\xA5' (U+65E5), cannot be sent"},
      {{"MRQ", "message=ok \xF0\x9F\x99\x82", "group=1", "unit=5"},
       kSendBadUsage,
       "field 'message': character 4, '\xF0\x9F\x99\x82' (U+1F642), cannot be sent"},
      {{"NUM", "number=\xEF\xBC\x91", "group=1", "unit=5"}, kSendBadUsage, "(U+FF11)"},
      // What the console can send still goes: a '<' of the text is a token of its own.
      {{"Misc", "packet=<3C>A<3E> <e9>"},
       kSendOk,
       "packet: <3C>A<3E> <e9>\nhex: 3C 41 3E 20 E9\n"
       "reaches: unknown (not a packet: bytes outside a packet)\n"},
      {{"MRQ", "message=caf\xC3\xA9", "group=1", "unit=5"},
       kSendOk,
       "packet: <02>0105<0C><12>caf\xC3\xA9<04>\nhex: 02 30 31 30 35 0C 12 63 61 66 E9 04\n"
       "reaches: group 01 unit 05\n"},
      {{"Misc", "packet="}, kSendRefused, "No command input!"},
  };
  for (const Case& c : cases) {
    const Outcome r = DryRun(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[1] << "\n" << r.err;
    if (c.code == kSendOk) {
      EXPECT_EQ(r.out, c.printed);
    } else {
      EXPECT_EQ(r.out, "");
      EXPECT_NE(r.err.find(c.printed), std::string::npos) << r.err;
    }
  }
}

// send reads a grid file exactly when the window's "Load grid..." would.
TEST(SendCommandLine, GridFilesAreReadAsTheConsoleReadsThem) {
  testing::TempDir dir;
  std::string grid = "tvxorm-andon-grid 1\n";
  for (int n = 1; n <= 6; ++n) {
    for (int i = 1; i <= 25; ++i) grid += (n == 1 && i == 1 ? "R" : ".") + std::string(1, ' ');
    grid += "\n";
  }
  auto padded = [&grid](std::uintmax_t size) {
    return grid + "#" + std::string(size - grid.size() - 2, '-') + "\n";
  };
  struct Case {
    std::string name, path, refusal;
  };
  std::vector<Case> cases = {
      {"a grid", dir.Write("ok.grid", grid), ""},
      {"1 MiB", dir.Write("max.grid", padded(andon::kMaxGridFileBytes)), ""},
      {"1 MiB and a byte", dir.Write("over.grid", padded(andon::kMaxGridFileBytes + 1)),
       "1048577 bytes, more than"},
      {"5 MB", dir.Write("huge.grid", padded(5'000'000)), "5000000 bytes, more than"},
      {"a folder", dir.File(""), "it is a folder"},
      {"missing", dir.File("none.grid"), "no such file"},
      {"not a grid", dir.Write("bad.grid", "tvxorm-andon-grid 1\n\x1b[2J X\n"),
       "bad.grid':2: '<1B>[2J' is not a cell"},
  };
#if defined(__unix__)
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.grid"));
  cases.push_back({"a link to /dev/zero", dir.File("zero.grid"), "not a regular file"});
  ASSERT_EQ(mkfifo(dir.File("fifo.grid").c_str(), 0600), 0);
  cases.push_back({"a pipe", dir.File("fifo.grid"), "not a regular file"});
#endif
  for (const Case& c : cases) {
    testing::Harness console;
    console.Run("click AndonButton\n");
    const bool loaded = andon::LoadGridFile(console.w, c.path).ok;
    const Outcome r = DryRun({"AC1", "layout=" + c.path, "group=1", "unit=2"});
    EXPECT_EQ(r.code == kSendOk, loaded) << c.name << ": " << r.err;
    EXPECT_EQ(r.code, c.refusal.empty() ? kSendOk : kSendBadUsage) << c.name;
    if (!c.refusal.empty()) {
      EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
    }
  }
}

TEST(SendCommandLine, OutputThatCannotBeWrittenIsAFailure) {
  const std::vector<std::string> cases[] = {{"--dry-run", "SVN"}, {"--help"}, {"--help", "NUM"}};
  for (const auto& args : cases) {
    testing::FailStream out;
    std::ostringstream err;
    EXPECT_EQ(RunSend(args, out, err), kSendLinkFailed) << args.back();
    EXPECT_EQ(err.str(), "tvxorm send: cannot write the output: No space left on device\n");
  }
}

}  // namespace
}  // namespace tvx::app
