#include "app/script_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// Scripts as editors and careless users leave them: a byte-order mark, no line break at all,
// a device or a pipe in place of a file.
namespace tvx::testing {
namespace {

struct Lines {
  std::vector<std::string> lines;
  std::string error;
};

Lines ReadLines(const std::string& path) {
  Lines read;
  app::ReadScriptLines(
      path, [&read](std::string line) { read.lines.push_back(std::move(line)); },
      [&read](std::string error) { read.error = std::move(error); });
  return read;
}

TEST(ScriptReader, ReadsLinesAsWrittenWithoutAByteOrderMark) {
  const std::string long_line(app::kMaxScriptLineBytes, 'x');
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"\xEF\xBB\xBFprint StatusText\nwait 1", {"print StatusText", "wait 1"}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB", {"\xEF\xBB"}},
      // Only at the start of the script: elsewhere it is a line's text.
      {"a\n\xEF\xBB\xBF"
       "b\n",
       {"a",
        "\xEF\xBB\xBF"
        "b"}},
      {long_line + "\n" + long_line, {long_line, long_line}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const Lines read = ReadLines(dir.Write("script.tvx", c.text));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.lines, c.lines);
  }
}

TEST(ScriptReader, RefusesWhatIsNoScriptWithItsReason) {
  TempDir dir;
  const std::string too_long(app::kMaxScriptLineBytes + 1, 'x');
  struct Case {
    std::string path;
    std::string error;
  };
  std::vector<Case> cases = {
      {dir.File(""), "it is a folder, not a file"},
      {dir.File("missing.tvx"), "no such file"},
      {dir.Write("long.tvx", "wait 1\n" + too_long + "\nwait 2\n"),
       "line 2 is longer than the 65536 bytes a line may have"},
      {dir.Write("endless.tvx", "wait 1\n" + too_long), "line 2 is longer"},
  };
#ifndef _WIN32
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  cases.push_back({fifo, "not a regular file"});
  cases.push_back({"/dev/zero", "not a regular file"});
#endif
  for (const Case& c : cases) {
    const Lines read = ReadLines(c.path);
    EXPECT_EQ(read.error.rfind(c.error, 0), 0u) << c.path << ": " << read.error;
    EXPECT_LE(read.lines.size(), 1u) << c.path;
  }
}

TEST(Options, AScriptIsForAHeadlessRunOnly) {
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--script", "a.tvx"}, "--script needs --headless"},
      {{"--script", "a.tvx", "--comm", "1=/dev/ttyUSB0"}, "--script needs --headless"},
      {{"--script", "a.tvx", "--headless"}, ""},
      {{"--headless"}, ""},
      {{"--help", "--script", "a.tvx"}, ""},
  };
  for (const auto& c : cases) {
    const auto parsed = app::ParseOptions(c.args);
    const auto* error = std::get_if<app::OptionsError>(&parsed);
    EXPECT_EQ(error ? error->message : "", c.error) << c.args[0];
  }
}

}  // namespace
}  // namespace tvx::testing
