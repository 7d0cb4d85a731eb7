#include "console/andon_branches.h"

#include "andon/sub_cell.h"

namespace tvx::console {

void RegisterAndonBranches(Dispatcher& d, andon::AndonGrid& grid, andon::RowTransmission& rows) {
  d.OnSend([&rows] { rows.Restart(); });
  d.SetBranch(&window::CommandFlags::AndonFlag, [&d, &rows] { rows.Tick(d.Out().Current()); });
  d.SetBranch(&window::CommandFlags::Andon2Flag, [&d, &grid] {
    window::FrmMain& w = d.Window();
    if (const auto packet = andon::SubCellPacket(w, grid.Picked())) {
      w.PacketText->SetText(w.PacketText->Text() + packet->display);
      d.Out().Write(*packet);
      // The command reports nothing when it goes out; a failed write must still be told.
      if (d.Out().Failed()) d.ReportSent("");
    }
    w.Timer1->SetEnabled(false);
  });
}

}  // namespace tvx::console
