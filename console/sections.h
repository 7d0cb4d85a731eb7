#pragma once

#include <deque>
#include <functional>

#include "console/dispatcher.h"
#include "window/main_window.h"

namespace tvx::console {

// One command section: its button, flag, title and help text, and what it shows and
// changes when entered.
struct Section {
  window::Button* button;
  FlagMember flag;
  const char* title;
  const char* help;
  std::function<void()> show_fields;
  std::function<void()> address_fields;
};

// Entering a section, Cancel, Global, and the base state they return to.
class Sections {
 public:
  explicit Sections(window::FrmMain& w);

  void Add(Section section);
  void Enter(const Section& section);
  void Cancel();
  void HideAllDataFields();
  // The disabling that both the window load and Cancel perform.
  void DisableSendControls();
  void ResetFlags();

 private:
  window::FrmMain& w_;
  std::deque<Section> sections_;  // stable addresses: the buttons' handlers point here
};

}  // namespace tvx::console
