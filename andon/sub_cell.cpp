#include "andon/sub_cell.h"

#include "protocol/control_bytes.h"

namespace tvx::andon {

namespace {
std::string ColourCode(char letter, char suffix) { return {LetterDigit(letter), suffix}; }

const char* AttributeCode(Attribute a) {
  switch (a) {
    case Attribute::kOff: return "0A";
    case Attribute::kOn: return "1A";
    case Attribute::kFlashSlow: return "2A";
    default: return "3A";
  }
}
}  // namespace

std::optional<protocol::Packet> SubCellPacket(const window::FrmMain& w, const Selection& picked) {
  const std::string& row = w.NumRowText->Text();
  const std::string& column = w.NumColText->Text();
  if (row.empty() || column.empty()) return std::nullopt;
  const std::string& characters = w.NUMText->Text();
  const bool cell_colours = characters.empty();

  protocol::Packet p;
  p.Byte(protocol::STX).Add(w.GroupString).Add(w.UnitString).Byte(protocol::ESC).Add("AC2");
  p.Add(row);
  if (!w.AC2SubRowText->Text().empty() && cell_colours) p.Add("." + w.AC2SubRowText->Text());
  p.Add("R").Add(column);
  if (!w.AC2SubColText->Text().empty() && cell_colours) p.Add("." + w.AC2SubColText->Text());
  p.Add("C");
  if (!cell_colours) p.Add("[" + characters + "]");
  p.Add(AttributeCode(picked.attribute));
  if (cell_colours) p.Add(ColourCode(picked.primary, 'P')).Add(ColourCode(picked.secondary, 'S'));
  p.Byte(protocol::EOT);
  return p;
}

}  // namespace tvx::andon
