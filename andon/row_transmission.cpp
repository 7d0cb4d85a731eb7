#include "andon/row_transmission.h"

#include "andon/grid.h"
#include "andon/texts.h"

namespace tvx::andon {

std::optional<protocol::Packet> CellPacket(const window::FrmMain& w, int row, int column) {
  return protocol::BuildAndonCell({w.GroupString, w.UnitString}, row, column,
                                  CellState(w, row, column));
}

RowTransmission::RowTransmission(window::FrmMain& w, links::LinkOutput& out) : w_(w), out_(out) {}

void RowTransmission::Restart() {
  row_ = 1;
  column_ = 0;
  failed_ = false;
  ticks_ = 0;
  started_ = w_.flags.AndonFlag;
  completed_ = false;
}

bool RowTransmission::Running() const {
  return started_ && !completed_ && w_.flags.AndonFlag && w_.SendArmed() && w_.Timer1->Enabled();
}

void RowTransmission::Tick(protocol::Link link) {
  ++ticks_;
  w_.SendButton->SetEnabled(false);
  w_.CancelButton->SetEnabled(false);
  if (column_ < 25) {
    ++column_;
  } else if (row_ < 6) {
    ++row_;
    column_ = 0;
  } else {
    completed_ = true;
    w_.Timer1->SetEnabled(false);
    w_.StatusText->SetText(failed_ ? texts::NotWrittenCompletely(w_.GroupString, w_.UnitString)
                                   : texts::Sent(w_.GroupString, w_.UnitString));
    w_.SendButton->SetEnabled(true);
    w_.CancelButton->SetEnabled(true);
    return;
  }
  w_.Row = static_cast<std::int16_t>(row_);
  w_.Col = static_cast<std::int16_t>(column_);
  w_.StatusText->SetText(texts::Transmitting(row_));
  SendCell(row_, column_);
  if (link == protocol::Link::Tcp) {
    w_.SendButton->SetEnabled(true);
    w_.CancelButton->SetEnabled(true);
  }
}

void RowTransmission::SendCell(int row, int column) {
  // Each cell picks its link afresh, so a connection that opens or drops mid-grid is followed.
  out_.Choose();
  const auto packet = CellPacket(w_, row, column);
  if (!packet) return;
  w_.PacketText->SetText(w_.PacketText->Text() + packet->display);
  out_.ClearFailure();
  out_.Write(*packet);
  if (out_.Failed()) failed_ = true;
}

}  // namespace tvx::andon
