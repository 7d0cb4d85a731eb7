#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/field_names.h"

// The command catalogue: the one place that knows each command the console sends. Its name
// (as its section button shows it), what it does, the packets it writes with their codes and
// who each reaches, and the fields `send` takes with their limits, choices and the defaults
// the section sets, and where each goes in the packet. Builders and the decoder take codes
// from here; send, its help, the simulator and tests read it.
namespace tvx::protocol {

// In the order of the section buttons.
enum class Command {
  kAC1,
  kAC2,
  kMRQ,
  kNUM,
  kTU1,
  kTU2,
  kVL1,
  kSL1,
  kSDM,
  kMisc,
  kTest,
  kClear,
  kDiag,
  kBoot,
  kSVN,
  kModifySerial,
  kSGU,
  kSBT,
  kSBS,
  kSLI,
  kSFD,
  kSAC,
  kSMB,
  kSOR,
  kSMD,
};

// As the section buttons show them, in the order of Command.
inline constexpr const char* kCommandNames[] = {
    "AC1",  "AC2", "MRQ", "NUM", "TU1", "TU2", "VL1", "SL1", "SDM", "Misc", "Test", "Clear", "Diag",
    "Boot", "SVN", "SS#", "SGU", "SBT", "SBS", "SLI", "SFD", "SAC", "SMB",  "SOR",  "SMD"};
constexpr const char* NameOf(Command command) {
  return kCommandNames[static_cast<int>(command)];
}

// How a packet's address field is formed.
enum class Addressing {
  kChecked,    // two-digit group and unit, checked at Send
  kUnchecked,  // the boxes as typed: 0 to 4 characters
  kFixed,      // always "0000"
};
// What stands after "SSN" when the packet has a serial-number head.
enum class SerialPlace { kNone, kField, kWildcard, kTypedText };

struct PacketKind {
  Command command;
  const char* code;  // after the ESC ending the address or the serial head; "" for MRQ's text
  Addressing addressing;
  SerialPlace serial;
  const char* when;  // when the command writes it, if not always
};

// In the order each command writes them; AC1's by row.
inline constexpr PacketKind kPacketKinds[] = {
    {Command::kAC1, "AC11R", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kAC1, "AC12R", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kAC1, "AC13R", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kAC1, "AC14R", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kAC1, "AC15R", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kAC1, "AC16R", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kAC2, "AC2", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kMRQ, "SMC", Addressing::kFixed, SerialPlace::kField, "with auto-centre ON or OFF"},
    {Command::kMRQ, "", Addressing::kUnchecked, SerialPlace::kNone, ""},
    {Command::kNUM, "NUM", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kTU1, "TU1", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kTU2, "TU2", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kVL1, "VL1", Addressing::kChecked, SerialPlace::kTypedText, ""},
    {Command::kSL1, "SL1", Addressing::kUnchecked, SerialPlace::kNone, ""},
    {Command::kSDM, "SDM", Addressing::kFixed, SerialPlace::kNone, ""},
    {Command::kTest, "1", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kClear, "3", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kDiag, "2", Addressing::kChecked, SerialPlace::kNone, ""},
    {Command::kBoot, "0", Addressing::kFixed, SerialPlace::kNone, ""},
    {Command::kSVN, "SVN", Addressing::kFixed, SerialPlace::kNone, ""},
    {Command::kModifySerial, "SS#", Addressing::kFixed, SerialPlace::kWildcard, ""},
    {Command::kSGU, "SGU", Addressing::kFixed, SerialPlace::kField, ""},
    {Command::kSBT, "SBT", Addressing::kFixed, SerialPlace::kField, ""},
    {Command::kSBS, "SBS", Addressing::kFixed, SerialPlace::kField, ""},
    {Command::kSLI, "SLI", Addressing::kFixed, SerialPlace::kWildcard, ""},
    {Command::kSFD, "SFD", Addressing::kFixed, SerialPlace::kField, ""},
    {Command::kSAC, "SAC", Addressing::kFixed, SerialPlace::kField, ""},
    {Command::kSMB, "SMB", Addressing::kFixed, SerialPlace::kWildcard, ""},
    {Command::kSOR, "SOR", Addressing::kFixed, SerialPlace::kField, ""},
    {Command::kSMD, "SMD", Addressing::kFixed, SerialPlace::kField, ""},
};

// The command's packets; none for Misc, whose packet is typed whole.
std::span<const PacketKind> PacketsOf(Command command);
// The code of the command's index-th packet (AC1: row index + 1).
const char* CodeOf(Command command, int index = 0);

// Who a packet reaches.
enum class Reach {
  kGroupUnit,        // the group and unit; group 00 with unit 00 every device
  kWholeBus,         // the fixed address 0000: every device on the bus
  kSerial,           // the device with that serial number
  kListening,        // the wildcard ZYXWV: every device listening
  kGroupUnitSerial,  // VL1: the device at that group and unit with that serial number
};
Reach ReachOf(const PacketKind& kind);

enum class FieldKind { kText, kChoice, kFile };

// Where a field's value goes, as the decoder reads it back.
enum class Place {
  kGroup,    // the address's group
  kUnit,     // its unit
  kSerial,   // the serial-number place
  kField,    // a field of the packet
  kCells,    // AC1's grid: one packet per set cell
  kPackets,  // Misc: the bytes themselves
};

// A field that goes out only while another field of the command holds (or does not hold)
// a value.
struct CarriedWhen {
  std::string_view field;  // empty: always carried
  std::string_view value;
  bool equal = false;
  std::string_view text;  // "only with auto-centre ON or OFF"
};

inline constexpr char kNoChoice[] = "none";

struct FieldListing {
  std::string name;
  FieldKind kind = FieldKind::kText;
  int limit = 0;                     // characters; 0 for none, and for a choice
  std::vector<std::string> choices;  // what a choice takes, in the buttons' order
  bool may_choose_none = false;      // a choice that can be left with none chosen
  std::string initial;               // what the section leaves in it; kNoChoice for none chosen
  Place place = Place::kField;
  std::string packet_field;  // with Place::kField: the decoder's name for it
  CarriedWhen carried;
  std::string_view note;  // said in the help after the limit
};

struct CommandListing {
  Command command;
  std::string name;
  std::string summary;  // what it does, in a few words
  std::vector<FieldListing> fields;

  const FieldListing* Field(std::string_view name) const;
  // "group, unit, number", or "none".
  std::string FieldNames() const;
};

// Commands and choices are named in any case: "misc" is Misc, "fs" is FS.
bool SameName(std::string_view a, std::string_view b);

// Every command, in the order of Command.
const std::vector<CommandListing>& Catalogue();
const CommandListing& ListingOf(Command command);
// By name, in any case ("misc" is Misc); nothing for an unknown name.
const CommandListing* FindCommand(std::string_view name);

// Who the command reaches, with the values it takes as words in capitals:
// "group GROUP unit UNIT (group 00 unit 00: every device)", "every device listening (ZYXWV)".
std::string ReachSummary(Command command);

}  // namespace tvx::protocol
