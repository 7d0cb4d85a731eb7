#include "protocol/catalogue.h"
#include "protocol/commands.h"
#include "protocol/control_bytes.h"
#include "protocol/numeric.h"
#include "protocol/texts.h"

namespace tvx::protocol {

Packet BuildMarquee(const MarqueeFields& f) {
  Packet p;
  if (f.auto_centre != AutoCentre::kNotChosen) {
    SerialHead(p, f.serial_field).Add(CodeOf(Command::kMRQ));
    p.Add(f.auto_centre == AutoCentre::kOn ? "1C" : "0C").Byte(EOT);
  }
  MarqueeHead(p, f.address);
  if (f.clear_home) p.Byte(kClearHome);
  if (f.carriage_return) p.Byte(kCarriageReturn);
  p.Byte(f.flash ? kFlashOn : kFlashOff);
  if (!f.message.empty()) p.Add(f.message);
  p.Byte(EOT);
  p.status = texts::SentTo("Message Marquee ", f.address.group, f.address.unit);
  return p;
}

BuildResult BuildDisplayMode(const std::string& template_text) {
  if (template_text.empty()) return Refusal{texts::kTemplateMissing};
  if (!ToInt16(template_text)) return Refusal{texts::NotNumeric(3)};
  Packet p;
  GroupUnitHead(p, {"00", "00"}).Add(CodeOf(Command::kSDM)).Add(template_text).Add("M").Byte(EOT);
  p.status = texts::kDisplayModeSent;
  return p;
}

Packet BuildMaintenance(Maintenance command, const Address& address) {
  const MaintenanceRow& row = kMaintenance[static_cast<int>(command)];
  const PacketKind& kind = PacketsOf(row.command).front();
  Packet p;
  // "0000" whatever the address fields hold.
  if (kind.addressing == Addressing::kFixed) {
    FixedHead(p);
    p.status = row.what;
  } else {
    GroupUnitHead(p, address);
    p.status = texts::SentTo(row.what, address.group, address.unit);
  }
  p.Add(kind.code).Byte(EOT);
  return p;
}

}  // namespace tvx::protocol
