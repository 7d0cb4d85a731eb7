#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "console/presets.h"
#include "window/main_window.h"

namespace tvx::console {

// One line of a console script: an event for the window, a wait, or a query.
class ScriptInterpreter {
 public:
  struct Outcome {
    enum Kind { kDone, kWait, kError } kind = kDone;
    std::int64_t wait_ms = 0;
    std::string error;
  };

  ScriptInterpreter(window::FrmMain& w, std::ostream& out);

  // The presets "preset NAME" applies; none until set. The store must outlive the interpreter.
  void SetPresets(const PresetStore* presets) { presets_ = presets; }

  // Runs one line. A wait is not carried out here: the caller lets the time pass, in
  // virtual or in real time.
  Outcome Execute(std::string_view line);

  // Whether a Send is still going out: armed and not yet done (an andon grid included). A
  // timer left ticking after Cancel is not a pending send.
  bool SendPending() const;

 private:
  Outcome Print(std::string_view rest);
  Outcome ApplyNamedPreset(std::string_view name);
  window::Control* Find(std::string_view name, std::string& error) const;

  window::FrmMain& w_;
  std::ostream& out_;
  const PresetStore* presets_ = nullptr;
};

// The longest wait a script may ask for, about 31,700 years: any longer cannot be timed.
inline constexpr std::int64_t kMaxWaitMs = 1'000'000'000'000'000;

// At the end of a script a pending send runs on: its ticks, 156 for the andon grid, with room.
inline constexpr int kEndTickMs = 100;
inline constexpr int kMaxEndTicks = 600;

// Runs a whole script with a virtual clock, as the tests do. Writes "ERROR: line N: ..." to
// err and returns 2 at the first line that cannot be run; returns 0 at the end, once a send
// still going out has finished. A test running a fragment of a script asks for no finish.
enum class AtEnd { kFinishSends, kStop };
int RunScript(ScriptInterpreter& interpreter, window::VirtualClock& clock, std::istream& in,
              std::ostream& err, AtEnd at_end = AtEnd::kFinishSends);

// A value as one printable line: characters below 32 as display tokens, the rest (codes
// up to 255) in UTF-8.
std::string PrintableValue(std::string_view latin1);
// The same, appended to out.
void AppendPrintable(std::string& out, std::string_view latin1);
// Printable ASCII: shown as it is.
inline bool PlainCharacter(char c) {
  return c >= 32 && static_cast<unsigned char>(c) < 128;
}

// A script line's text as the console's characters: UTF-8 when it is valid UTF-8 (code
// points above 255 cannot be typed and are dropped), otherwise one byte a character.
std::string ToConsoleText(std::string_view utf8);

// The first character of a UTF-8 text that ToConsoleText would drop (a code point above
// U+00FF): where it is (0 for the first character), as given, and its code point. Nothing when
// every character is kept.
struct ForeignCharacter {
  std::size_t at = 0;
  std::string text;
  char32_t code = 0;
};
std::optional<ForeignCharacter> FirstForeignCharacter(std::string_view utf8);
// "'日' (U+65E5)".
std::string CharacterText(const ForeignCharacter& c);

}  // namespace tvx::console
