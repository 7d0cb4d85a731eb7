#include "console/presets.h"

#include <gtest/gtest.h>

#include <sstream>

#include "console/command_runner.h"
#include "tests/support/harness.h"

// A preset puts back what the operator typed and chose: applying it and pressing Send sends
// the bytes that typing the same fields sends. A preset that does not fit its section changes
// nothing.
namespace tvx::testing {
namespace {

using console::Preset;

// Every property of every control and every window variable, one line each.
std::string Snapshot(Harness& h) {
  std::ostringstream s;
  for (const auto& owned : h.w.controls.All()) {
    const window::Control& c = *owned;
    s << c.Name() << " '" << c.Caption() << "' " << c.Visible() << c.Enabled() << " "
      << int(c.BackColor().r) << "," << int(c.BackColor().g) << "," << int(c.BackColor().b);
    if (c.Kind() == window::ControlKind::TextBox) {
      const auto& box = static_cast<const window::TextBox&>(c);
      s << " '" << box.Text() << "' " << box.MaxLength() << " " << box.Locked() << " "
        << box.Caret();
    }
    if (c.Kind() == window::ControlKind::OptionButton) {
      s << " " << static_cast<const window::OptionButton&>(c).Value();
    }
    if (c.Kind() == window::ControlKind::Timer) {
      s << " " << static_cast<const window::Timer&>(c).Interval();
    }
    s << "\n";
  }
  for (const auto& [name, ref] : h.w.controls.Variables()) s << h.Run("print " + name);
  return s.str();
}

Preset Captured(Harness& h) {
  auto captured = console::CapturePreset(h.w);
  EXPECT_TRUE(std::holds_alternative<Preset>(captured)) << std::get<std::string>(captured);
  Preset preset = std::get<Preset>(captured);
  preset.name = "line 3";
  return preset;
}

constexpr char kSend[] = "click SendButton\nwait 15700\n";

TEST(Presets, ApplyingAndSendingSendsWhatTypingTheFieldsSends) {
  // Each script spans several lines.
  // NOLINTBEGIN(bugprone-suspicious-missing-comma)
  const std::vector<std::string> typed = {
      "click NumButton\ntype NUMText -12\ntype NumRowText 1\ntype NumColText 3\n"
      "click NUMAttFS\ntype GroupText 7\ntype UnitText 3\n",
      "click MrqButton\ntype MRQText HELLO  WORLD \ntype GroupText 01\ntype UnitText 05\n"
      "click MRQFlashON\nclick MRQCRON\nclick MRQAutoCenterOFF\ntype SernoText 987\n",
      // Auto-centre chosen, then cleared by a second click: none.
      "click MrqButton\ntype MRQText A\ntype GroupText 1\ntype UnitText 1\nclick MRQCHOFF\n"
      "click MRQAutoCenterON\nclick MRQAutoCenterON\n",
      "click SL1Button\ntype NumRowText 3\nclick NUMAttOFF\ntype GroupText 01\ntype UnitText 02\n",
      "click AndonButton2\ntype GroupText 1\ntype UnitText 2\ntype NumRowText 3\n"
      "type NumColText 12\ntype AC2SubRowText 1\nclick ORM610AttFF\nclick ORM610PriG\n"
      "click ORM610SecY\n",
      "click Tunebutton2\ntype GroupText 1\ntype UnitText 2\ntype TUNText 7\ntype SecondsText 10\n"
      "type PriorityText 2\n",
      "click VolumeButton\ntype GroupText 1\ntype UnitText 2\ntype SernoText 7\n"
      "type VolumeText 10\ntype ChannelText 3\n",
      "click SGUButton\ntype SernoText 12345\ntype txtSGUGroup(0) 1\ntype txtSGUUnit(0) 2\n"
      "type txtSGUUnit(14) 9\n",
      "click ModSNButton\ntype SernoText 42\n",
      "click SORButton\ntype SernoText 42\nclick optSOR(1)\n",
      "click SMDButton\ntype SernoText 42\nclick optSMD(2)\n",
      "click SDMButton\ntype NUMText 007\n",
      // A service section whose button is hidden: the preset enters it all the same.
      "key GroupText K 4\nclick SLIButton\ntype SLIText 07\n",
      "click MiscButton\ntype PacketText <02>0105<1B>NUM12N<04>\\nnext\n",
  };
  // NOLINTEND(bugprone-suspicious-missing-comma)
  for (const std::string& script : typed) {
    Harness by_hand;
    by_hand.Run(script);
    const Preset preset = Captured(by_hand);
    by_hand.Run(kSend);
    ASSERT_FALSE(by_hand.serial.Bytes().empty()) << script;

    // The window is elsewhere: in another section, with a send armed.
    Harness applied;
    applied.Run("click TestButton\ntype GroupText 5\ntype UnitText 5\nclick SendButton\n");
    const std::size_t before = applied.serial.Bytes().size();
    ASSERT_EQ(console::ApplyPreset(applied.w, preset), std::nullopt) << script;
    applied.Run("wait 1000\n");
    EXPECT_EQ(applied.serial.Bytes().size(), before) << "applying sends nothing: " << script;
    EXPECT_EQ(Captured(applied).fields, preset.fields) << script;
    applied.Run(kSend);
    EXPECT_EQ(Shown(applied.serial.Bytes().substr(before)), Shown(by_hand.serial.Bytes()))
        << script;
    EXPECT_EQ(applied.w.StatusText->Text(), by_hand.w.StatusText->Text()) << script;

    // Without the window, as `send --preset` runs it.
    console::CommandRequest request;
    request.preset = preset;
    const console::CommandOutcome o = console::RunCommand(request);
    std::string bytes;
    for (const auto& piece : o.pieces) bytes += piece.bytes;
    EXPECT_EQ(Shown(bytes), Shown(by_hand.serial.Bytes())) << script;
  }
}

TEST(Presets, APresetThatDoesNotFitItsSectionIsRefusedAndChangesNothing) {
  Harness source;
  source.Run("click NumButton\ntype NUMText 12\ntype GroupText 1\ntype UnitText 2\n");
  const Preset good = Captured(source);
  auto with = [&good](const std::string& field, const std::string& value) {
    Preset p = good;
    for (auto& [name, v] : p.fields) {
      if (name == field) v = value;
    }
    if (field == "colour" || field == "serial") p.fields.emplace_back(field, value);
    return p;
  };
  Preset unknown = good;
  unknown.command = "XYZ";
  Preset twice = good;
  twice.fields.emplace_back("number", "3");
  Preset exclusive{"line 3", "MRQ", {{"clear-home", "ON"}, {"carriage-return", "ON"}}};
  const std::vector<std::pair<Preset, std::string>> cases = {
      {unknown, "unknown command 'XYZ'"},
      {with("colour", "red"), "NUM has no field 'colour'"},
      {with("serial", "5"), "NUM has no field 'serial'"},  // NUM hides the serial number
      {with("attribute", "BLINK"), "field 'attribute' takes ON, OFF, FS, FF, not 'BLINK'"},
      {with("number", "12345"), "field 'number' takes at most 4 characters, not 5"},
      {twice, "field 'number' is given twice"},
      {exclusive, "field 'clear-home' cannot be ON together with the other fields given"},
  };
  for (const auto& [preset, problem] : cases) {
    Harness h;
    h.Run("click MrqButton\ntype MRQText KEEP\ntype GroupText 3\nclick MRQCRON\n" +
          std::string(kSend));
    const std::string before = Snapshot(h);
    const auto refused = console::ApplyPreset(h.w, preset);
    ASSERT_TRUE(refused) << problem;
    EXPECT_EQ(refused->rfind("preset 'line 3' cannot be applied: " + problem, 0), 0u) << *refused;
    EXPECT_EQ(Snapshot(h), before) << problem;
    EXPECT_EQ(console::CheckPreset(preset), refused);
  }
}

TEST(Presets, CaptureNeedsExactlyOneSection) {
  Harness h;
  EXPECT_EQ(std::get<std::string>(console::CapturePreset(h.w)), "no section is entered");
  h.Run("click SL1Button\n");
  h.w.flags.SDMFlag = true;  // no click does this
  EXPECT_EQ(std::get<std::string>(console::CapturePreset(h.w)),
            "more than one section is entered; press Cancel first");
  h.Run("click CancelButton\nclick NumButton\n");
  std::vector<std::string> names;
  for (const auto& [name, value] : Captured(h).fields) names.push_back(name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"group", "unit", "number", "row", "column", "attribute"}));
}

TEST(Script, PresetVerbAppliesANamedPresetAndRefusalsAreScriptErrors) {
  Harness source;
  source.Run("click NumButton\ntype NUMText 42\ntype GroupText 1\ntype UnitText 2\n");
  console::PresetStore store;
  Preset preset = Captured(source);
  preset.name = "count 42";
  store.Put(preset);
  preset.name = "broken";
  preset.fields.emplace_back("colour", "red");
  store.Put(preset);

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"preset count 42\nprint NUMText\nprint GroupText\n", ""},
      {"preset nothing\n", "ERROR: line 1: no preset 'nothing'\n"},
      {"preset\n", "ERROR: line 1: preset needs a NAME\n"},
      {"preset broken\n",
       "ERROR: line 1: preset 'broken' cannot be applied: NUM has no field 'colour'; its fields: "
       "group, unit, number, row, column, attribute\n"},
  };
  for (const auto& [script, error] : cases) {
    Harness h;
    std::ostringstream out, err;
    std::istringstream in(script);
    console::ScriptInterpreter interpreter(h.w, out);
    interpreter.SetPresets(&store);
    const int code = console::RunScript(interpreter, h.clock, in, err);
    EXPECT_EQ(code, error.empty() ? 0 : 2) << script;
    EXPECT_EQ(err.str(), error) << script;
    if (error.empty()) {
      EXPECT_EQ(out.str(), "NUMText.Text=42\nGroupText.Text=1\n");
      EXPECT_TRUE(h.serial.Bytes().empty()) << "applying sends nothing";
    }
  }
}

}  // namespace
}  // namespace tvx::testing
