#pragma once

#include "andon/grid.h"
#include "andon/row_transmission.h"
#include "console/dispatcher.h"
#include "console/journal.h"
#include "console/keyboard.h"
#include "console/sections.h"
#include "links/port_manager.h"
#include "links/tcp_link.h"
#include "protocol/link_output.h"
#include "window/main_window.h"

namespace tvx::console {

// The console: every subsystem wired onto one window model.
class Console {
 public:
  explicit Console(window::FrmMain& w);
  // The window's handlers point into the console: unwired before it goes.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The window load: caption, base state, default port probe.
  void Load();

  window::FrmMain& Window() { return w_; }
  Dispatcher& Dispatch() { return dispatcher_; }
  Sections& SectionList() { return sections_; }
  const andon::RowTransmission& Rows() const { return rows_; }

  // Every piece written from now on goes to the journal; an entry ends with the tick that
  // wrote it, or for a grid with the transmission. Once, before the first send.
  void AttachJournal(Journal& journal);
  // Ends an entry left open by a transmission that has stopped since (Cancel, F2, another
  // section): callers run it after each operator event.
  void SettleJournal();
  // Ends what is open (a grid cut off by the program's end counts as stopped) and writes no
  // more to the journal.
  void CloseJournal();
  // An entry's bytes again, on the link the next packet would take, journaled as a re-send.
  // Refused while a grid is going out. The outcome is the window's, never a status line.
  struct [[nodiscard]] ResendOutcome {
    bool ok = false;
    std::string message;
  };
  ResendOutcome SendAgain(const JournalEntry& entry);

 private:
  void EndJournalEntry(bool grid_completed);

  window::FrmMain& w_;
  protocol::LinkOutput out_;
  links::PortManager ports_;
  links::TcpLink tcp_;
  andon::AndonGrid grid_;
  andon::RowTransmission rows_;
  Dispatcher dispatcher_;
  Sections sections_;
  Keyboard keyboard_;
  Journal* journal_ = nullptr;
  bool grid_entry_ = false;  // the open entry is an andon grid's
};

// "TVXORM, version 1.05" for version 1.0.5: minor and revision run together.
std::string WindowCaption(int major, int minor, int revision);

}  // namespace tvx::console
