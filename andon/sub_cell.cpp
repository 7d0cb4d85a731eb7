#include "andon/sub_cell.h"

namespace tvx::andon {

std::optional<protocol::Packet> SubCellPacket(const window::FrmMain& w, const Selection& picked) {
  return protocol::BuildSubCell({{w.GroupString, w.UnitString},
                                 w.NumRowText->Text(),
                                 w.NumColText->Text(),
                                 w.AC2SubRowText->Text(),
                                 w.AC2SubColText->Text(),
                                 w.NUMText->Text(),
                                 picked.attribute,
                                 protocol::LetterOf(picked.primary),
                                 protocol::LetterOf(picked.secondary)});
}

}  // namespace tvx::andon
