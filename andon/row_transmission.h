#pragma once

#include <optional>

#include "links/link_output.h"
#include "protocol/packet.h"
#include "window/main_window.h"

namespace tvx::andon {

// The AC1 transmission: one grid position per dispatcher tick, 156 ticks from row 1 column 1
// to the completion tick. It keeps its own cursor (mirrored into Row and Col), so a grid click
// during a transmission edits the grid without moving the transmission.
class RowTransmission {
 public:
  RowTransmission(window::FrmMain& w, links::LinkOutput& out);

  // Send armed a new transmission: back to row 1, column 0.
  void Restart();
  // One dispatcher tick; link is the half the dispatcher chose for it.
  void Tick(protocol::Link link);

  // How far a transmission has got, for a progress display.
  static constexpr int kPositions = 156;  // grid positions, the last tick completing
  int Done() const { return ticks_; }
  int CurrentRow() const { return row_; }
  int CurrentColumn() const { return column_; }
  // Still going out: armed, not completed, and neither cancelled nor left.
  bool Running() const;
  // Started and ended before its last position: Cancel, F2, or another section.
  bool StoppedEarly() const { return started_ && ticks_ > 0 && !completed_ && !Running(); }

 private:
  void SendCell(int row, int column);

  window::FrmMain& w_;
  links::LinkOutput& out_;
  int row_ = 1;
  int column_ = 0;
  bool failed_ = false;
  int ticks_ = 0;
  bool started_ = false;
  bool completed_ = false;
};

// The packet for one grid position, or nothing for an unset cell. For tests and the tick.
std::optional<protocol::Packet> CellPacket(const window::FrmMain& w, int row, int column);

}  // namespace tvx::andon
