#include "app/preset_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <sstream>

#include "app/send_command.h"

// The presets file keeps what was saved, byte for byte; a file that cannot be used costs the
// presets, never the program, and is not overwritten; `send --preset` sends what the window
// would after applying the preset and typing the fields given.
namespace tvx::app {
namespace {

using console::Preset;

Preset Sorted(Preset p) {
  std::sort(p.fields.begin(), p.fields.end());
  return p;
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

TEST(PresetFile, SavedPresetsReadBackAsTheyWere) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("new/dir/presets.json").toStdString();
  const Preset misc{
      "Z\xc3\xa4hler \xe2\x80\x93 line 3", "Misc", {{"packet", "<02>A\"\\\r\n\xe9\x01\x7f"}}};
  std::string umlauts;  // 64 characters, 128 bytes: a name as long as it may be
  for (int i = 0; i < 64; ++i) umlauts += "\xc3\xa4";
  const Preset num{umlauts, "NUM", {{"group", "01"}, {"number", "12"}, {"attribute", "FS"}}};
  ASSERT_EQ(SavePreset(path, misc).error, "");
  ASSERT_EQ(SavePreset(path, num).error, "");
  Preset replaced = num;
  replaced.fields = {{"number", "99"}};
  const PresetSaved saved = SavePreset(path, replaced);
  ASSERT_EQ(saved.error, "");
  EXPECT_EQ(saved.kept, "");

  const PresetFileRead read = ReadPresetFile(path);
  EXPECT_EQ(read.error, "");
  ASSERT_EQ(read.presets.All().size(), 2u);
  EXPECT_EQ(Sorted(read.presets.All()[0]), Sorted(misc));
  EXPECT_EQ(Sorted(read.presets.All()[1]), Sorted(replaced)) << "replaced where it stood";
  EXPECT_EQ(saved.presets.All(), read.presets.All());
  EXPECT_EQ(ReadPresetFile(dir.filePath("none.json").toStdString()).error, "");
}

TEST(PresetFile, AFileThatCannotBeUsedGivesNoPresetsAndOneWarning) {
  const QByteArray head = R"({"format": "tvxorm-presets", "version": 1, "presets": )";
  const QByteArray entry = R"({"name": "a", "command": "NUM", "fields": {"number": "1"}})";
  const std::vector<std::pair<QByteArray, std::string>> cases = {
      {"", "not JSON"},
      {"{\"format\": \"tvxorm-presets\"", "not JSON"},
      {"[]", "not a presets file"},
      {R"({"format": "other", "version": 1, "presets": []})", "not a presets file"},
      {R"({"format": "tvxorm-presets", "version": 2, "presets": []})", "version 2"},
      {R"({"format": "tvxorm-presets", "presets": []})", "no version"},
      {head + "{}}", "no \"presets\" list"},
      {head + "[" + entry + ", 5]}", "preset 2 of the list: needs a name, a command and fields"},
      {head + R"([{"name": "a", "command": "NUM", "fields": {"number": 1}}]})",
       "field 'number' is not a text"},
      {head + R"([{"name": "a", "command": "NUM", "fields": {"number": "\u20ac"}}]})",
       "field 'number' is not a text"},
      {head + R"([{"name": "a ", "command": "NUM", "fields": {}}]})", "no blanks at either end"},
      {head + R"([{"name": "a\tb", "command": "NUM", "fields": {}}]})", "no control characters"},
      {head + "[{\"name\": \"" + QByteArray(65, 'x') + R"(", "command": "NUM", "fields": {}}]})",
       "at most 64 characters"},
      {head + "[" + entry + ", " + entry + "]}", "preset 2 of the list: the name 'a' is taken"},
      {QByteArray(4 * 1024 * 1024 + 1, ' '), "larger than 4 MB"},
  };
  QTemporaryDir dir;
  const QString path = dir.filePath("presets.json");
  for (const auto& [bytes, reason] : cases) {
    Write(path, bytes);
    std::ostringstream warnings;
    EXPECT_TRUE(LoadPresets(path.toStdString(), warnings).All().empty()) << reason;
    const std::string w = warnings.str();
    EXPECT_NE(w.find(reason), std::string::npos) << w;
    EXPECT_EQ(std::count(w.begin(), w.end(), '\n'), 1) << w;
  }
  std::ostringstream warnings;
  EXPECT_TRUE(LoadPresets(dir.path().toStdString(), warnings).All().empty());
  EXPECT_NE(warnings.str().find("it is a directory"), std::string::npos) << warnings.str();
}

TEST(PresetFile, SavingOverAFileThatCannotBeUsedKeepsItAside) {
  QTemporaryDir dir;
  const QString path = dir.filePath("presets.json");
  Write(path, "{\"format\": \"tvxorm-presets\", hand edit gone wrong");
  const Preset p{"count", "NUM", {{"number", "1"}}};
  const PresetSaved saved = SavePreset(path.toStdString(), p);
  EXPECT_EQ(saved.error, "");
  EXPECT_EQ(saved.kept, (path + ".unreadable").toStdString());
  EXPECT_EQ(Read(path + ".unreadable"), "{\"format\": \"tvxorm-presets\", hand edit gone wrong");
  EXPECT_EQ(ReadPresetFile(path.toStdString()).presets.All(), std::vector<Preset>{p});
}

TEST(PresetFile, AFailedSaveIsReportedAndLeavesNothingHalfWritten) {
  QTemporaryDir dir;
  Write(dir.filePath("file"), "not a directory");
  const std::string path = dir.filePath("file/presets.json").toStdString();
  const PresetSaved saved = SavePreset(path, {"count", "NUM", {}});
  EXPECT_EQ(saved.error.rfind("the presets file " + path + " could not be written", 0), 0u)
      << saved.error;
  EXPECT_EQ(Read(dir.filePath("file")), "not a directory");
}

struct Sent {
  int code;
  std::string out, err;
};

Sent Send(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunSend(args, out, err);
  return {code, out.str(), err.str()};
}

// The presets file of the user's configuration directory, here a temporary one.
class SendPreset : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    ASSERT_EQ(PresetFilePath(), (home.path() + "/TVXORM/presets.json").toStdString());
    const std::vector<Preset> presets = {
        {"count", "NUM", {{"group", "01"}, {"unit", "02"}, {"number", "12"}, {"attribute", "FS"}}},
        {"letters", "NUM", {{"group", "01"}, {"unit", "02"}, {"number", "12a"}}},
        {"stale", "NUM", {{"group", "01"}, {"colour", "red"}}},
        {"sign", "MRQ", {{"message", "HI"}, {"clear-home", "ON"}, {"group", "1"}, {"unit", "1"}}},
    };
    for (const Preset& p : presets) ASSERT_EQ(SavePreset(PresetFilePath(), p).error, "");
  }
  void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
  QTemporaryDir home;
};

TEST_F(SendPreset, FieldsGivenChangeThePresetAsTypingWould) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> same = {
      {{"--preset", "count"}, {"NUM", "group=01", "unit=02", "number=12", "attribute=FS"}},
      {{"--preset", "count", "number=99", "group=7"},
       {"NUM", "group=7", "unit=02", "number=99", "attribute=FS"}},
      // Carriage return and clear-home exclude each other: the field given wins.
      {{"--preset", "sign", "carriage-return=ON"},
       {"MRQ", "message=HI", "carriage-return=ON", "group=1", "unit=1"}},
  };
  for (const auto& [with_preset, typed] : same) {
    std::vector<std::string> a = {"--dry-run"}, b = {"--dry-run"};
    a.insert(a.end(), with_preset.begin(), with_preset.end());
    b.insert(b.end(), typed.begin(), typed.end());
    const Sent preset = Send(a), plain = Send(b);
    EXPECT_EQ(preset.code, 0) << preset.err;
    EXPECT_EQ(preset.out, plain.out) << with_preset.back();
    EXPECT_NE(preset.out, "");
  }
}

TEST_F(SendPreset, ExitStatusesAreSendsOwn) {
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{"--preset", "nothing"}, 2, "no preset 'nothing' in "},
      {{"--preset"}, 2, "--preset needs a NAME"},
      {{"--preset", "count", "NUM"}, 2, "expected FIELD=VALUE, not 'NUM'"},
      {{"--preset", "count", "--preset", "count"}, 2, "give --preset once"},
      {{"--preset", "count", "colour=1"}, 2, "NUM has no field 'colour'"},
      {{"--preset", "count", "number=1", "number=2"}, 2, "field 'number' is given twice"},
      {{"--preset", "stale"}, 2, "preset 'stale' cannot be applied: NUM has no field 'colour'"},
      {{"--preset", "letters"}, 3, "ERROR: "},
      {{"--preset", "letters", "number=5"}, 0, ""},
  };
  for (const auto& [args, code, message] : cases) {
    std::vector<std::string> all = {"--dry-run"};
    all.insert(all.end(), args.begin(), args.end());
    const Sent sent = Send(all);
    EXPECT_EQ(sent.code, code) << args.back() << ": " << sent.err;
    EXPECT_NE(sent.err.find(message), std::string::npos) << sent.err;
  }
}

}  // namespace
}  // namespace tvx::app
