#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "andon/grid.h"
#include "app/grid_file_io.h"
#include "tests/support/harness.h"
#include "tests/support/temp_dir.h"

#if defined(__unix__)
#include <sys/stat.h>
#endif

namespace tvx::testing {
namespace {

namespace fs = std::filesystem;

// Enters AC1 addressed to group 01, unit 02 and paints with the given clicks.
std::string Paint(const std::string& clicks) {
  return "click AndonButton\ntype GroupText 1\ntype UnitText 2\n" + clicks;
}

// Every kind of cell, by cell, row header and column header clicks.
constexpr char kPainting[] =
    "click ORM610AttFS\nclick ORM610SecY\nclick ORM610R3(12)\n"
    "click ORM610AttOFF\nclick ORM610R1(1)\n"
    "click ORM610AttFF\nclick ORM610PriB\nclick ORM610SecG\nclick ORM610R6(25)\n"
    "click ORM610AttON\nclick ORM610PriG\nclick ORM610C1(7)\n"
    "click ORM610PriY\nclick ORM610R2(0)\n"
    "click ORM610AttFF\nclick ORM610PriR\nclick ORM610SecB\nclick ORM610R5(3)\n";

// A grid file: the header and six rows, each "." but for the cells given by row and column.
std::string GridText(const std::map<std::pair<int, int>, std::string>& cells = {}) {
  std::string text = "tvxorm-andon-grid 1\n";
  for (int n = 1; n <= 6; ++n) {
    for (int i = 1; i <= 25; ++i) {
      const auto it = cells.find({n, i});
      text += (it == cells.end() ? "." : it->second) + (i < 25 ? " " : "\n");
    }
  }
  return text;
}

// Everything of the window a load could disturb besides the cells, and the cells themselves.
std::string State(const window::FrmMain& w) {
  std::ostringstream out;
  andon::WriteLayout(andon::ReadLayout(w), out);
  for (const window::Control* picker : andon::PickerButtons(w)) {
    const window::Color c = picker->BackColor();
    out << picker->Name() << "=" << c.r << "," << c.g << "," << c.b << "\n";
  }
  out << "Row=" << w.Row << " Col=" << w.Col << "\nStatus=" << w.StatusText->Text()
      << "\nPacket=" << w.PacketText->Text() << "\n";
  return out.str();
}

andon::GridLayout Parsed(const std::string& text) {
  std::istringstream in(text);
  return std::get<andon::GridLayout>(andon::ParseLayout(in));
}

TEST(GridFile, ASavedGridLoadedAfterReenteringAc1TransmitsTheSameBytes) {
  TempDir dir;
  const std::string file = dir.File("board.grid");
  Harness h;
  h.Run(Paint(kPainting));
  const andon::GridLayout painted = andon::ReadLayout(h.w);
  const andon::GridFileOutcome saved = app::SaveGridFile(h.w, file);
  EXPECT_EQ(saved.message, "Grid saved to '" + file + "'.");
  ASSERT_TRUE(saved.ok);
  h.Run("click SendButton\nwait 15600\n");
  const std::string sent = h.serial.Bytes();
  ASSERT_NE(Shown(sent).find("AC16R25C0A3A3S<04>"), std::string::npos);

  h.serial.pieces.clear();
  h.Run("click CancelButton\n" + Paint(""));
  ASSERT_NE(andon::ReadLayout(h.w), painted) << "entering AC1 cleared the grid";
  const andon::GridFileOutcome loaded = app::LoadGridFile(h.w, file);
  EXPECT_EQ(loaded.message, "Grid loaded from '" + file + "'.");
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(andon::ReadLayout(h.w), painted);
  h.Run("click SendButton\nwait 15600\n");
  EXPECT_EQ(Shown(h.serial.Bytes()), Shown(sent));
}

// "." in the file is a cell never set, whatever the grid held: only the file's cells go out.
// The pickers, the cursor and the status and packet boxes stay as the operator left them.
TEST(GridFile, LoadOverASetGridYieldsExactlyTheFilesGrid) {
  TempDir dir;
  const std::string text = GridText({{{1, 1}, "R"}, {{4, 9}, "YRS"}, {{6, 25}, "BGF"}});
  const std::string file = dir.Write("two.grid", text);
  Harness h;
  h.Run(
      Paint("click ORM610PriG\nclick ORM610R0C0(0)\n"
            "click ORM610AttFS\nclick ORM610PriY\nclick ORM610SecR\nclick ORM610R2(5)\n"));
  const std::string before = State(h.w);

  ASSERT_TRUE(app::LoadGridFile(h.w, file).ok);
  EXPECT_EQ(andon::ReadLayout(h.w), Parsed(text));
  // The cells aside, nothing moved.
  const std::string after = State(h.w);
  EXPECT_EQ(after.substr(after.find("ORM610AttOFF=")), before.substr(before.find("ORM610AttOFF=")));

  h.Run("click SendButton\nwait 15600\n");
  EXPECT_EQ(Shown(h.serial.Bytes()),
            "<02>0102<1B>AC11R1C1A1P<04>"
            "<02>0102<1B>AC14R9C2A2P1S<04>"
            "<02>0102<1B>AC16R25C0A3A3S<04>");
}

// Grid files move between machines: saved with LF line ends everywhere, and one that a
// Windows editor saved with CR LF loads to the same grid.
TEST(GridFile, LineEndsAreTheSameOnEveryMachine) {
  TempDir dir;
  Harness h;
  h.Run(Paint(kPainting));
  ASSERT_TRUE(app::SaveGridFile(h.w, dir.File("lf.grid")).ok);
  const std::string saved = TempDir::Read(dir.File("lf.grid"));
  EXPECT_EQ(saved.find('\r'), std::string::npos);
  std::string crlf;
  for (const char c : saved) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

  h.Run("click CancelButton\n" + Paint(""));
  ASSERT_TRUE(app::LoadGridFile(h.w, dir.Write("crlf.grid", crlf)).ok);
  EXPECT_EQ(andon::ReadLayout(h.w), Parsed(saved));
}

// A name is UTF-8 on every system: on Windows the file must not be named after the ANSI code
// page's reading of those bytes.
TEST(GridFile, NamesBeyondAsciiNameTheFileOnEverySystem) {
  TempDir dir;
  Harness h;
  h.Run(Paint(kPainting));
  const std::string name =
      "Linie 3 Gr\xC3\xB6\xC3\x9F"
      "e \xE2\x82\xAC.grid";  // Größe €
  const std::string file = dir.File(name);
  EXPECT_EQ(app::SaveGridFile(h.w, file).message, "Grid saved to '" + file + "'.");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(TempDir::Path(dir.File("")))) {
    names.push_back(TempDir::Utf8(entry.path().filename()));
  }
  EXPECT_EQ(names, std::vector<std::string>{name});

  const andon::GridLayout painted = andon::ReadLayout(h.w);
  h.Run("click CancelButton\n" + Paint(""));
  EXPECT_EQ(app::LoadGridFile(h.w, file).message, "Grid loaded from '" + file + "'.");
  EXPECT_EQ(andon::ReadLayout(h.w), painted);
}

struct Refusal {
  const char* what;
  std::string script;                               // after painting, before the load
  std::function<std::string(const TempDir&)> file;  // the file to load
  std::string message;                              // {F}: the file as quoted
};

std::function<std::string(const TempDir&)> Holding(const std::string& bytes) {
  return [bytes](const TempDir& dir) { return dir.Write("in.grid", bytes); };
}

std::string Replaced(std::string message, const std::string& file) {
  const auto at = message.find("{F}");
  if (at != std::string::npos) message.replace(at, 3, "'" + file + "'");
  return message;
}

constexpr char kNotACell[] =
    " is not a cell (., B, R, Y, G, or one of them followed by a flash code such as RS or GF)";

TEST(GridFile, EveryRefusalNamesWhatIsWrongAndLeavesTheGridAsItWas) {
  const std::string row = ". . . . . . . . . . . . . . . . . . . . . . . . .\n";
  const std::string valid = GridText({{{2, 2}, "G"}});
  const std::string not_loaded = "Grid not loaded from {F}: ";
  const std::vector<Refusal> cases = {
    {"missing", "", [](const TempDir& d) { return d.File("none.grid"); },
     not_loaded + "no such file"},
    {"a folder", "",
     [](const TempDir& d) {
       fs::create_directory(d.File("sub.grid"));
       return d.File("sub.grid");
     },
     not_loaded + "it is a folder, not a file"},
    {"empty", "", Holding(""), not_loaded + "empty: no 'tvxorm-andon-grid 1' line"},
    {"another format", "", Holding("<html>\n" + valid),
     not_loaded + "line 1: not an andon grid file: the first line must be 'tvxorm-andon-grid 1'"},
    {"another version", "", Holding("# saved\ntvxorm-andon-grid 2\n" + row),
     not_loaded + "line 2: not an andon grid file: the first line must be 'tvxorm-andon-grid 1'"},
    {"a bad token", "", Holding("tvxorm-andon-grid 1\n" + row + ". X" + row.substr(3)),
     not_loaded + "line 3: 'X'" + kNotACell},
    {"control bytes", "", Holding("tvxorm-andon-grid 1\n\x01\x1b[2J" + row.substr(1)),
     not_loaded + "line 2: '<01><1B>[2J'" + kNotACell},
    {"column 26", "", Holding("tvxorm-andon-grid 1\n. " + row),
     not_loaded + "line 2: row 1 has more than 25 cells"},
    {"24 columns", "", Holding("tvxorm-andon-grid 1\n" + row.substr(2)),
     not_loaded + "line 2: row 1 has 24 cells, not 25"},
    {"a seventh row", "", Holding(valid + row), not_loaded + "line 8: more than 6 rows"},
    {"five rows", "", Holding(valid.substr(0, valid.size() - row.size())),
     not_loaded + "only 5 rows of 6"},
    {"too large", "", Holding(valid + std::string(andon::kMaxGridFileBytes, '#')),
     not_loaded + std::to_string(valid.size() + andon::kMaxGridFileBytes) +
         " bytes, far too large for an andon grid file"},
    {"a long name with a control byte", "",
     [](const TempDir& d) { return d.File(std::string(90, 'n') + "\x07.grid"); },
     "Grid not loaded from '..." + std::string(74, 'n') + "<07>.grid': no such file"},
    {"AC1 left", "click CancelButton\n", Holding(valid),
     "Grid not loaded: the AC1 section (Andon Cell Commands) is not the one shown"},
    {"in AC2", "click CancelButton\nclick AndonButton2\n", Holding(valid),
     "Grid not loaded: the AC1 section (Andon Cell Commands) is not the one shown"},
    {"armed", "click SendButton\n", Holding(valid),
     "Grid not loaded: an andon grid is going out; load once its transmission has ended"},
    {"going out", "click SendButton\nwait 3000\n", Holding(valid),
     "Grid not loaded: an andon grid is going out; load once its transmission has ended"},
#if defined(__unix__)
    {"a device", "", [](const TempDir&) { return std::string("/dev/zero"); },
     not_loaded + "not a regular file"},
#endif
  };
  for (const Refusal& c : cases) {
    TempDir dir;
    Harness h;
    h.Run(Paint(kPainting) + c.script);
    const std::string file = c.file(dir);
    const std::string before = State(h.w);
    const andon::GridFileOutcome outcome = app::LoadGridFile(h.w, file);
    EXPECT_FALSE(outcome.ok) << c.what;
    EXPECT_EQ(outcome.message, Replaced(c.message, file)) << c.what;
    EXPECT_EQ(State(h.w), before) << c.what;
  }
}

TEST(GridFile, AFileThatCannotBeReadIsRefused) {
  TempDir dir;
  const std::string file = dir.Write("locked.grid", GridText());
  fs::permissions(file, fs::perms::none);
  if (std::ifstream(file)) GTEST_SKIP() << "this user reads any file";
  Harness h;
  h.Run(Paint(kPainting));
  const std::string before = State(h.w);
  EXPECT_EQ(app::LoadGridFile(h.w, file).message,
            "Grid not loaded from '" + file + "': cannot read it (Permission denied)");
  EXPECT_EQ(State(h.w), before);
}

// A save that cannot happen harms nothing; one that can replaces the file whole.
TEST(GridFile, SaveRefusesWhatItCannotWriteAndKeepsWhatItReplaces) {
  TempDir dir;
  Harness h;
  h.Run(Paint(kPainting));
  fs::create_directory(dir.File("sub.grid"));
  EXPECT_EQ(app::SaveGridFile(h.w, dir.File("sub.grid")).message,
            "Grid not saved to '" + dir.File("sub.grid") + "': it is a folder, not a file");
  const std::string nowhere = dir.File("no/such/folder.grid");
  EXPECT_EQ(app::SaveGridFile(h.w, nowhere).message,
            "Grid not saved to '" + nowhere + "': cannot write it (No such file or directory)");
  EXPECT_EQ(app::SaveGridFile(h.w, "").message, "Grid not saved: no file name");
#if defined(__unix__)
  // Renaming over a pipe or a device would replace it.
  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  EXPECT_EQ(app::SaveGridFile(h.w, dir.File("pipe")).message,
            "Grid not saved to '" + dir.File("pipe") + "': not a regular file");
  EXPECT_TRUE(fs::is_fifo(dir.File("pipe")));
  fs::create_symlink(dir.File("gone.grid"), dir.File("dangling.grid"));
  EXPECT_EQ(app::SaveGridFile(h.w, dir.File("dangling.grid")).message,
            "Grid not saved to '" + dir.File("dangling.grid") +
                "': it is a link to a file that does not exist");
  EXPECT_FALSE(fs::exists(dir.File("gone.grid")));
  fs::remove(dir.File("dangling.grid"));

  // A link is written through and stays a link; a replaced file keeps its permissions.
  const std::string target = dir.Write("target.grid", "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, dir.File("link.grid"));
  ASSERT_TRUE(app::SaveGridFile(h.w, dir.File("link.grid")).ok);
  EXPECT_TRUE(fs::is_symlink(dir.File("link.grid")));
  std::istringstream saved(TempDir::Read(target));
  EXPECT_EQ(std::get<andon::GridLayout>(andon::ParseLayout(saved)), andon::ReadLayout(h.w));
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.File(""))) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"link.grid", "pipe", "sub.grid", "target.grid"}))
      << "no half-written file is left beside it";

  const std::string locked = dir.Write("locked.grid", "keep");
  fs::permissions(locked, fs::perms::owner_read);
  if (!std::ofstream(locked, std::ios::app)) {
    EXPECT_EQ(app::SaveGridFile(h.w, locked).message,
              "Grid not saved to '" + locked + "': cannot write it (Permission denied)");
    EXPECT_EQ(TempDir::Read(locked), "keep");
  }
#endif
}

// Runs a whole script as --script does, with the program's grid files.
std::pair<int, std::string> RunRaw(Harness& h, const std::string& script) {
  std::ostringstream o, e;
  std::istringstream in(script);
  console::ScriptInterpreter interpreter(h.w, o);
  interpreter.SetGridFiles(h.grid_files);
  const int code = console::RunScript(interpreter, h.clock, in, e);
  return {code, e.str()};
}

// The file name is the rest of the line, blanks inside it included; the verbs print nothing
// and leave the status box to the console.
TEST(Script, GridVerbsSaveAndLoadTheGridByFileName) {
  app::GridFilesOnDisk disk;
  TempDir dir;
  const std::string file = dir.File("line 3 board.grid");
  Harness h;
  h.grid_files = &disk;
  const std::string paint =
      "click AndonButton\nclick ORM610AttFS\nclick ORM610SecG\nclick ORM610R2(3)\n";
  const std::string reenter = "click CancelButton\nclick AndonButton\n";
  const std::string out = h.Run(paint + "save-grid   " + file + "  \n" + reenter +
                                "print ORM610R2(3) BackColor\nload-grid " + file +
                                "\nprint ORM610R2(3) BackColor\nprint ORM610R2(3)\n"
                                "print StatusText\n");
  EXPECT_EQ(out,
            "ORM610R2(3).BackColor=192,192,192\n"
            "ORM610R2(3).BackColor=255,0,0\n"
            "ORM610R2(3).Caption=GS\n"
            "StatusText.Text=You have entered the 'Andon Cell Commands' section. Please make your "
            "selections and click 'Send' to execute them.\n");
}

TEST(Script, GridVerbRefusalsStopTheScriptWithStatus2) {
  app::GridFilesOnDisk disk;
  TempDir dir;
  const std::string missing = dir.File("missing.grid");
  const std::string bad = dir.Write("bad.grid", "tvxorm-andon-grid 1\nZ\n");
  const std::pair<std::string, std::string> cases[] = {
      {"click AndonButton\nload-grid " + missing,
       "ERROR: line 2: Grid not loaded from '" + missing + "': no such file\n"},
      {"click AndonButton\nload-grid  ", "ERROR: line 2: Grid not loaded: no file name\n"},
      {"click AndonButton\nsave-grid", "ERROR: line 2: Grid not saved: no file name\n"},
      {"click NumButton\nload-grid " + bad,
       "ERROR: line 2: Grid not loaded: the AC1 section (Andon Cell Commands) is not the one "
       "shown\n"},
  };
  for (const auto& [script, error] : cases) {
    Harness h;
    h.grid_files = &disk;
    const auto [code, err] = RunRaw(h, script + "\nclick CancelButton\n");
    EXPECT_EQ(code, 2) << script;
    EXPECT_EQ(err, error) << script;
    EXPECT_TRUE(h.w.flags.Any()) << "nothing after the refused line runs: " << script;
  }
}

}  // namespace
}  // namespace tvx::testing
