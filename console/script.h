#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "andon/grid_file.h"
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
  // The grid files "save-grid" and "load-grid" reach; none until set. It must outlive the
  // interpreter.
  void SetGridFiles(andon::GridFiles* files) { grid_files_ = files; }

  // Runs one line. A wait is not carried out here: the caller lets the time pass, in
  // virtual or in real time.
  Outcome Execute(std::string_view line);

  // Whether a Send is still going out: armed and not yet done (an andon grid included). A
  // timer left ticking after Cancel is not a pending send.
  bool SendPending() const;

 private:
  // The verbs, each given the rest of its line.
  Outcome Type(std::string_view rest);
  Outcome Wait(std::string_view args);
  Outcome Print(std::string_view args);
  Outcome SaveGrid(std::string_view file);
  Outcome LoadGrid(std::string_view file);
  Outcome ApplyNamedPreset(std::string_view name);
  Outcome Click(std::string_view args);
  Outcome DoubleClick(std::string_view args);
  Outcome ClickWith(std::string_view args, void (*click)(window::Control&));
  Outcome Key(std::string_view args);
  Outcome Caret(std::string_view args);
  static Outcome Error(std::string message);

  // "NAME [PARAMETERS]": the control named (or why there is none) and the parameters trimmed.
  struct Addressed {
    window::Control* control = nullptr;
    std::string_view name;
    std::string_view params;
    std::string error;
  };
  Addressed Address(std::string_view args) const;
  window::Control* Find(std::string_view name, std::string& error) const;

  window::FrmMain& w_;
  std::ostream& out_;
  const PresetStore* presets_ = nullptr;
  andon::GridFiles* grid_files_ = nullptr;
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

}  // namespace tvx::console
