#include "console/misc_branch.h"

#include "console/texts.h"
#include "protocol/token_conversion.h"

namespace tvx::console {

void RegisterMiscBranch(Dispatcher& d) {
  d.SetBranch(&window::CommandFlags::MiscFlag, [&d] {
    window::FrmMain& w = d.Window();
    if (w.PacketText->Text().empty()) {
      d.Refuse(texts::kNoCommandInput);
      return;
    }
    w.PacketString = protocol::ConvertTokens(w.PacketText->Text());
    d.Out().Write(w.PacketString);
    d.Out().Flush();
    w.Timer1->SetEnabled(false);
    d.ReportSent(texts::kCommandSent);
  });
}

}  // namespace tvx::console
