#include "protocol/commands.h"
#include "protocol/control_bytes.h"
#include "protocol/numeric.h"

namespace tvx::protocol {

Packet BuildMarquee(const MarqueeFields& f) {
  Packet p;
  if (f.auto_centre != AutoCentre::kNotChosen) {
    p.Byte(STX).Add("0000").Byte(ESC).Add("SSN").Add(f.serial_field).Byte(ESC).Add("SMC");
    p.Add(f.auto_centre == AutoCentre::kOn ? "1C" : "0C").Byte(EOT);
  }
  p.Byte(STX).Add(f.address.group).Add(f.address.unit);
  if (f.clear_home) p.Byte(0x0C);
  if (f.carriage_return) p.Byte(0x0D);
  p.Byte(f.flash ? 0x10 : 0x12);
  if (!f.message.empty()) p.Add(f.message);
  p.Byte(EOT);
  p.status = "The 'Message Marquee ' command has been sent to Group = " + f.address.group +
             ", Unit = " + f.address.unit;
  return p;
}

BuildResult BuildDisplayMode(const std::string& template_text) {
  if (template_text.empty()) {
    return Refusal{"ERROR: You must specify the template number that you wish to send."};
  }
  if (!ToInt16(template_text)) {
    return Refusal{
        "ERROR: Please enter only a numeric value. This value must be no longer than 3 digits."};
  }
  Packet p;
  p.Byte(STX).Add("00").Add("00").Byte(ESC).Add("SDM").Add(template_text).Add("M").Byte(EOT);
  p.status = "The 'SDM' command has been sent";
  return p;
}

Packet BuildMaintenance(Maintenance command, const Address& address) {
  struct Row {
    const char* code;
    bool fixed_address;
    const char* status;  // followed by the address for the group/unit commands
  };
  static constexpr Row kRows[] = {
      {"SVN", true, "SVN command sent"},
      {"1", false, "The 'Lamp Test' command has been sent to Group = "},
      {"3", false, "The 'Clear' command has been sent to Group = "},
      {"2", false, "The 'Diagnostics' command has been sent to Group = "},
      {"0", true, "The 'Soft-Boot' command has been sent."},
  };
  const Row& row = kRows[static_cast<int>(command)];
  Packet p;
  p.Byte(STX);
  if (row.fixed_address) {
    p.Add("0000");
    p.status = row.status;
  } else {
    p.Add(address.group).Add(address.unit);
    p.status = row.status + address.group + ", Unit = " + address.unit;
  }
  p.Byte(ESC).Add(row.code).Byte(EOT);
  return p;
}

}  // namespace tvx::protocol
