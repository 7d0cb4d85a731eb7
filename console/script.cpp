#include "console/script.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>

#include "protocol/display.h"
#include "protocol/printable_text.h"
#include "window/key_codes.h"
#include "window/operator_events.h"

namespace tvx::console {

using window::Control;
using window::ControlKind;

namespace {

constexpr char kNoGridFiles[] = "grid files cannot be saved or loaded here";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Splits off the first word; the rest keeps its blanks except the one separator.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view s) {
  const auto blank = s.find_first_of(" \t");
  if (blank == std::string_view::npos) return {s, {}};
  return {s.substr(0, blank), s.substr(blank + 1)};
}

template <typename Int>
std::optional<Int> ParseWhole(std::string_view s) {
  Int value{};
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::string Bool(bool b) {
  return b ? "True" : "False";
}

// A piece of the script line inside an error message: quoted, printable, and short, so a
// huge or binary line cannot flood the terminal.
constexpr std::size_t kMaxQuoted = 80;
std::string Quoted(std::string_view text) {
  const std::string characters = protocol::ToConsoleText(text);
  const bool cut = characters.size() > kMaxQuoted;
  return "'" + protocol::PrintableValue(std::string_view(characters).substr(0, kMaxQuoted)) +
         (cut ? "...'" : "'");
}

std::string ReplaceLineBreaks(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string VariableValue(const window::VariableRef& ref) {
  struct Visitor {
    std::string operator()(bool* b) const { return Bool(*b); }
    std::string operator()(std::int16_t* v) const { return std::to_string(*v); }
    std::string operator()(std::int32_t* v) const { return std::to_string(*v); }
    std::string operator()(std::string* s) const { return *s; }
  };
  return std::visit(Visitor{}, ref);
}

// The value of a property, or nothing when the control has no such property.
std::optional<std::string> PropertyValue(const Control& c, std::string_view property) {
  const bool is_timer = c.Kind() == ControlKind::Timer;
  const auto* box =
      c.Kind() == ControlKind::TextBox ? static_cast<const window::TextBox*>(&c) : nullptr;
  if (property == "Text" && box) return box->Text();
  if (property == "Caption" && !box && !is_timer) return c.Caption();
  if (property == "Visible" && !is_timer) return Bool(c.Visible());
  if (property == "Enabled") return Bool(c.Enabled());
  if (property == "Locked" && box) return Bool(box->Locked());
  if (property == "MaxLength" && box) return std::to_string(box->MaxLength());
  if (property == "BackColor" && !is_timer) {
    const window::Color k = c.BackColor();
    return std::to_string(k.r) + "," + std::to_string(k.g) + "," + std::to_string(k.b);
  }
  if (property == "Value" && c.Kind() == ControlKind::OptionButton) {
    return static_cast<const window::OptionButton&>(c).Value() ? "1" : "0";
  }
  if (property == "Value" && c.Kind() == ControlKind::CheckBox) {
    return std::to_string(static_cast<const window::CheckBox&>(c).Value());
  }
  if (property == "Interval" && is_timer) {
    return std::to_string(static_cast<const window::Timer&>(c).Interval());
  }
  return std::nullopt;
}

}  // namespace

ScriptInterpreter::ScriptInterpreter(window::FrmMain& w, std::ostream& out) : w_(w), out_(out) {}

Control* ScriptInterpreter::Find(std::string_view name, std::string& error) const {
  Control* c = w_.controls.Find(std::string(name));
  if (!c) error = "unknown control " + Quoted(name);
  return c;
}

ScriptInterpreter::Outcome ScriptInterpreter::Execute(std::string_view raw) {
  // Leading blanks never count; trailing blanks belong to the text of "type".
  std::string_view line = raw;
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (Trim(line).empty() || line.front() == '#') return {};
  const auto [verb, rest] = SplitWord(line);

  using Run = Outcome (ScriptInterpreter::*)(std::string_view);
  struct Verb {
    std::string_view name;
    Run run;
    bool as_typed;  // given the rest of the line with its blanks: the text "type" types
  };
  static constexpr Verb kVerbs[] = {
      {"type", &ScriptInterpreter::Type, true},
      {"wait", &ScriptInterpreter::Wait, false},
      {"print", &ScriptInterpreter::Print, false},
      {"save-grid", &ScriptInterpreter::SaveGrid, false},
      {"load-grid", &ScriptInterpreter::LoadGrid, false},
      {"preset", &ScriptInterpreter::ApplyNamedPreset, false},
      {"click", &ScriptInterpreter::Click, false},
      {"dblclick", &ScriptInterpreter::DoubleClick, false},
      {"key", &ScriptInterpreter::Key, false},
      {"caret", &ScriptInterpreter::Caret, false},
  };
  for (const Verb& v : kVerbs) {
    if (verb == v.name) return (this->*v.run)(v.as_typed ? rest : Trim(rest));
  }
  return Error("unknown verb " + Quoted(verb));
}

ScriptInterpreter::Outcome ScriptInterpreter::Error(std::string message) {
  return {Outcome::kError, 0, std::move(message)};
}

ScriptInterpreter::Outcome ScriptInterpreter::Type(std::string_view rest) {
  auto [name, text] = SplitWord(rest);
  std::string error;
  Control* c = Find(name, error);
  if (!c) return Error(error);
  if (c->Kind() != ControlKind::TextBox) return Error(Quoted(name) + " is not a text box");
  window::OperatorType(*static_cast<window::TextBox*>(c),
                       protocol::ToConsoleText(ReplaceLineBreaks(text)));
  return {};
}

ScriptInterpreter::Outcome ScriptInterpreter::Wait(std::string_view args) {
  const auto ms = ParseWhole<std::int64_t>(args);
  if (!ms || *ms < 0) return Error(Quoted(args) + " is not a number of milliseconds");
  if (*ms > kMaxWaitMs) {
    return Error("a wait of more than " + std::to_string(kMaxWaitMs) + " ms cannot be timed");
  }
  return {Outcome::kWait, *ms, {}};
}

// The file name is the rest of the line, blanks inside it included.
ScriptInterpreter::Outcome ScriptInterpreter::SaveGrid(std::string_view file) {
  if (!grid_files_) return Error(kNoGridFiles);
  const andon::GridFileOutcome done = grid_files_->Save(w_, std::string(file));
  return done.ok ? Outcome{} : Error(done.message);
}

ScriptInterpreter::Outcome ScriptInterpreter::LoadGrid(std::string_view file) {
  if (!grid_files_) return Error(kNoGridFiles);
  const andon::GridFileOutcome done = grid_files_->Load(w_, std::string(file));
  return done.ok ? Outcome{} : Error(done.message);
}

ScriptInterpreter::Addressed ScriptInterpreter::Address(std::string_view args) const {
  Addressed a;
  std::string_view rest;
  std::tie(a.name, rest) = SplitWord(args);
  a.params = Trim(rest);
  a.control = Find(a.name, a.error);
  return a;
}

ScriptInterpreter::Outcome ScriptInterpreter::Click(std::string_view args) {
  return ClickWith(args, window::OperatorClick);
}

ScriptInterpreter::Outcome ScriptInterpreter::DoubleClick(std::string_view args) {
  return ClickWith(args, window::OperatorDoubleClick);
}

ScriptInterpreter::Outcome ScriptInterpreter::ClickWith(std::string_view args,
                                                        void (*click)(Control&)) {
  const Addressed a = Address(args);
  if (!a.control) return Error(a.error);
  if (!a.params.empty()) return Error("unexpected " + Quoted(a.params));
  click(*a.control);
  return {};
}

ScriptInterpreter::Outcome ScriptInterpreter::Key(std::string_view args) {
  const Addressed a = Address(args);
  if (!a.control) return Error(a.error);
  auto [key_text, shift_text] = SplitWord(a.params);
  const auto key = window::KeyCodeByName(key_text);
  const auto shift = shift_text.empty() ? std::optional<int>(0) : ParseWhole<int>(Trim(shift_text));
  if (!key) return Error("unknown key " + Quoted(key_text));
  if (!shift || *shift < 0 || *shift > window::kMaxShiftState) {
    return Error("shift state must be 0 to 7, not " + Quoted(shift_text));
  }
  window::OperatorKeyDown(*a.control, *key, *shift);
  return {};
}

ScriptInterpreter::Outcome ScriptInterpreter::Caret(std::string_view args) {
  const Addressed a = Address(args);
  if (!a.control) return Error(a.error);
  if (a.control->Kind() != ControlKind::TextBox)
    return Error(Quoted(a.name) + " is not a text box");
  const auto position = ParseWhole<int>(a.params);
  if (!position || *position < 0) return Error(Quoted(a.params) + " is not a caret position");
  static_cast<window::TextBox*>(a.control)->SetCaret(*position);
  return {};
}

// The name is the rest of the line: it may hold blanks.
ScriptInterpreter::Outcome ScriptInterpreter::ApplyNamedPreset(std::string_view name) {
  Outcome fail{Outcome::kError, 0, {}};
  const Preset* preset = presets_ ? presets_->Find(std::string(name)) : nullptr;
  if (name.empty()) {
    fail.error = "preset needs a NAME";
  } else if (!preset) {
    fail.error = "no preset " + Quoted(name);
  } else if (auto wrong = ApplyPreset(w_, *preset)) {
    fail.error = protocol::PrintableValue(*wrong);
  } else {
    return {};
  }
  return fail;
}

bool ScriptInterpreter::SendPending() const {
  return w_.SendArmed() && w_.Timer1->Enabled();
}

ScriptInterpreter::Outcome ScriptInterpreter::Print(std::string_view args) {
  Outcome fail{Outcome::kError, 0, {}};
  auto [name, property] = SplitWord(args);
  property = Trim(property);
  const std::string key(name);
  if (const window::VariableRef* var = w_.controls.FindVariable(key)) {
    if (!property.empty()) {
      fail.error = "variable " + Quoted(key) + " has no properties";
      return fail;
    }
    out_ << key << "=" << protocol::PrintableValue(VariableValue(*var)) << "\n" << std::flush;
    return {};
  }
  Control* c = Find(name, fail.error);
  if (!c) {
    fail.error = "unknown control or variable " + Quoted(key);
    return fail;
  }
  const std::string prop = property.empty()
                               ? (c->Kind() == ControlKind::TextBox ? "Text" : "Caption")
                               : std::string(property);
  const auto value = PropertyValue(*c, prop);
  if (!value) {
    fail.error = Quoted(key) + " has no property " + Quoted(prop);
    return fail;
  }
  out_ << key << "." << prop << "=" << protocol::PrintableValue(*value) << "\n" << std::flush;
  return {};
}

int RunScript(ScriptInterpreter& interpreter, window::VirtualClock& clock, std::istream& in,
              std::ostream& err, AtEnd at_end) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const auto outcome = interpreter.Execute(line);
    if (outcome.kind == ScriptInterpreter::Outcome::kError) {
      err << "ERROR: line " << number << ": " << outcome.error << "\n";
      return 2;
    }
    if (outcome.kind == ScriptInterpreter::Outcome::kWait) clock.Advance(outcome.wait_ms);
  }
  if (in.bad()) {
    err << "ERROR: the script could not be read to its end\n";
    return 2;
  }
  // What the script asked for goes out: a Send on its last line included.
  for (int tick = 0;
       at_end == AtEnd::kFinishSends && tick < kMaxEndTicks && interpreter.SendPending(); ++tick) {
    clock.Advance(kEndTickMs);
  }
  return 0;
}

}  // namespace tvx::console
