#include "protocol/catalogue.h"

#include <algorithm>
#include <cctype>

#include "protocol/andon_codes.h"
#include "protocol/config_commands.h"

namespace tvx::protocol {

namespace {

namespace f = fields;

FieldListing Text(std::string name, int limit) {
  FieldListing listing;
  listing.name = std::move(name);
  listing.limit = limit;
  listing.packet_field = listing.name;
  return listing;
}

FieldListing Choice(std::string name, std::vector<std::string> choices, std::string initial) {
  FieldListing listing = Text(std::move(name), 0);
  listing.kind = FieldKind::kChoice;
  listing.choices = std::move(choices);
  listing.initial = std::move(initial);
  return listing;
}

FieldListing At(FieldListing listing, Place place) {
  listing.place = place;
  if (place != Place::kField) listing.packet_field.clear();
  return listing;
}

FieldListing Carried(FieldListing listing, CarriedWhen when) {
  listing.carried = when;
  return listing;
}

std::vector<std::string> OnOff() {
  return {std::string(kOn), std::string(kOff)};
}

// As the attribute buttons stand: ON first.
std::vector<std::string> Attributes() {
  std::vector<std::string> names;
  for (const AndonAttribute a : {AndonAttribute::kOn, AndonAttribute::kOff,
                                 AndonAttribute::kFlashSlow, AndonAttribute::kFlashFast}) {
    names.emplace_back(AttributeName(a));
  }
  return names;
}

std::vector<std::string> Colours() {
  std::vector<std::string> letters;
  for (const Colour c : kColours) letters.emplace_back(LetterText(c));
  return letters;
}

FieldListing Attribute() {
  return Choice(f::kAttribute, Attributes(), std::string(kOn));
}

std::vector<FieldListing> GroupUnit() {
  return {At(Text(f::kGroup, 2), Place::kGroup), At(Text(f::kUnit, 2), Place::kUnit)};
}

FieldListing Serial() {
  return At(Text(f::kSerial, 5), Place::kSerial);
}

std::vector<FieldListing> With(std::vector<FieldListing> fields, std::vector<FieldListing> more) {
  fields.insert(fields.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
  return fields;
}

// A serial-number command with its one setting.
std::vector<FieldListing> SerialAnd(FieldListing setting) {
  return {Serial(), std::move(setting)};
}

std::vector<FieldListing> SubCellFields() {
  const CarriedWhen no_characters{f::kCharacters, "", true, "only without characters"};
  return With(GroupUnit(),
              {Text(f::kRow, 2), Text(f::kColumn, 2), Carried(Text(f::kSubRow, 2), no_characters),
               Carried(Text(f::kSubColumn, 2), no_characters), Text(f::kCharacters, 4), Attribute(),
               Carried(Choice(f::kPrimary, Colours(), "R"), no_characters),
               Carried(Choice(f::kSecondary, Colours(), "B"), no_characters)});
}

std::vector<FieldListing> MarqueeFields() {
  FieldListing auto_centre = Choice(f::kAutoCentre, OnOff(), kNoChoice);
  auto_centre.may_choose_none = true;
  return With(
      GroupUnit(),
      {Carried(Serial(), {f::kAutoCentre, kNoChoice, false, "only with auto-centre ON or OFF"}),
       Text(f::kMessage, 100), Choice(f::kFlash, OnOff(), std::string(kOff)),
       Choice(f::kClearHome, OnOff(), std::string(kOn)),
       Choice(f::kCarriageReturn, OnOff(), std::string(kOff)), auto_centre});
}

std::vector<FieldListing> NumberFields() {
  return With(
      GroupUnit(),
      {Text(f::kNumber, 4), Carried(Text(f::kRow, 2), {f::kColumn, "", false, "only with column"}),
       Carried(Text(f::kColumn, 2), {f::kRow, "", false, "only with row"}), Attribute()});
}

std::vector<FieldListing> TuneFields() {
  return With(GroupUnit(), {Text(f::kTune, 3), Text(f::kSeconds, 3), Text(f::kRepeat, 2),
                            Text(f::kDuration, 3), Text(f::kPriority, 1)});
}

std::vector<FieldListing> DeviceSetFields() {
  std::vector<FieldListing> fields = {Serial()};
  for (int set = 1; set <= kDeviceSets; ++set) {
    fields.push_back(Text(f::DeviceSetGroup(set), 2));
    fields.push_back(Text(f::DeviceSetUnit(set), 2));
  }
  return fields;
}

std::vector<CommandListing> Build() {
  FieldListing layout = At(Text(f::kLayout, 0), Place::kCells);
  layout.kind = FieldKind::kFile;
  layout.note = "a saved andon grid file (required); see the README for its format";
  FieldListing packet = At(Text(f::kPacket, 256), Place::kPackets);
  FieldListing new_serial = Serial();
  new_serial.place = Place::kField;
  new_serial.packet_field = f::kNewSerial;
  // Nothing chosen sends the last option, as the buttons do.
  const FieldListing series = Choice(f::kSeries, {"610", "614"}, kNoChoice);
  const FieldListing detect = Choice(f::kDetect, {"0", "1", "2"}, kNoChoice);
  using C = Command;
  return {
      {C::kAC1, "", "send the 6 x 25 andon cell grid, one cell per tick",
       With(GroupUnit(), {layout})},
      {C::kAC2, "", "set one andon cell or sub-cell, or show characters in it", SubCellFields()},
      {C::kMRQ, "", "show a message on a marquee", MarqueeFields()},
      {C::kNUM, "", "show a number on a numeric display", NumberFields()},
      {C::kTU1, "", "play a tune", TuneFields()},
      {C::kTU2, "", "play a tune at twice the normal speed", TuneFields()},
      {C::kVL1, "", "set the tune volume and channel",
       With(GroupUnit(), {Serial(), Text(f::kVolume, 3), Text(f::kChannel, 1)})},
      {C::kSL1, "", "set one row of a stack light",
       With(GroupUnit(), {Text(f::kRow, 2), Attribute()})},
      {C::kSDM, "", "select a display template by number", {Text(f::kTemplate, 3)}},
      {C::kMisc, "", "send a packet typed in token text", {packet}},
      {C::kTest, "", "run a lamp test on the addressed devices", GroupUnit()},
      {C::kClear, "", "clear the addressed devices", GroupUnit()},
      {C::kDiag, "", "run the addressed devices' diagnostics", GroupUnit()},
      {C::kBoot, "", "re-boot the bus's software", {}},
      {C::kSVN, "", "show the head-end controller's software version", {}},
      {C::kModifySerial, "", "give the listening device a new serial number", {new_serial}},
      {C::kSGU, "", "assign group and unit to a device by serial number", DeviceSetFields()},
      {C::kSBT, "", "set a device's board type by serial number",
       SerialAnd(Text(f::kBoardType, 3))},
      {C::kSBS, "", "set a device's board sub-type by serial number",
       SerialAnd(Text(f::kSubBoardType, 0))},
      {C::kSLI, "", "set the LED intensity of every listening device", {Text(f::kIntensity, 2)}},
      {C::kSFD, "", "set a device's fader level by serial number",
       SerialAnd(Text(f::kFaderLevel, 2))},
      {C::kSAC, "", "set a device's number of columns by serial number",
       SerialAnd(Text(f::kColumns, 2))},
      {C::kSMB,
       "",
       "set the marquee brightness of every listening device",
       {Text(f::kRegular, 2), Text(f::kLampTest, 2)}},
      {C::kSOR, "", "set a device's series flag (610 or 614) by serial number", SerialAnd(series)},
      {C::kSMD, "", "set a device's marquee detect mode by serial number", SerialAnd(detect)},
  };
}

std::string PacketReach(const PacketKind& kind) {
  const bool typed = kind.addressing == Addressing::kUnchecked;
  switch (ReachOf(kind)) {
    case Reach::kGroupUnit:
      return std::string("group GROUP unit UNIT") + (typed ? " as typed" : "") +
             " (group 00 unit 00: every device)";
    case Reach::kWholeBus:
      return "every device on the bus (0000)";
    case Reach::kSerial:
      return "serial SERIAL";
    case Reach::kListening:
      return "every device listening (ZYXWV)";
    case Reach::kGroupUnitSerial:
      return "group GROUP unit UNIT serial SERIAL";
  }
  return {};
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::span<const PacketKind> PacketsOf(Command command) {
  const auto first = std::find_if(std::begin(kPacketKinds), std::end(kPacketKinds),
                                  [command](const PacketKind& k) { return k.command == command; });
  const auto last = std::find_if(first, std::end(kPacketKinds),
                                 [command](const PacketKind& k) { return k.command != command; });
  return {first, last};
}

const char* CodeOf(Command command, int index) {
  return PacketsOf(command)[static_cast<std::size_t>(index)].code;
}

Reach ReachOf(const PacketKind& kind) {
  switch (kind.serial) {
    case SerialPlace::kField:
      return Reach::kSerial;
    case SerialPlace::kWildcard:
      return Reach::kListening;
    case SerialPlace::kTypedText:
      return Reach::kGroupUnitSerial;
    case SerialPlace::kNone:
      break;
  }
  return kind.addressing == Addressing::kFixed ? Reach::kWholeBus : Reach::kGroupUnit;
}

const FieldListing* CommandListing::Field(std::string_view field) const {
  const auto it = std::find_if(fields.begin(), fields.end(),
                               [field](const FieldListing& f) { return f.name == field; });
  return it == fields.end() ? nullptr : &*it;
}

std::string CommandListing::FieldNames() const {
  std::string names;
  for (const FieldListing& f : fields) names += (names.empty() ? "" : ", ") + f.name;
  return names.empty() ? "none" : names;
}

const std::vector<CommandListing>& Catalogue() {
  static const std::vector<CommandListing> catalogue = [] {
    std::vector<CommandListing> listings = Build();
    for (CommandListing& listing : listings) listing.name = NameOf(listing.command);
    return listings;
  }();
  return catalogue;
}

const CommandListing& ListingOf(Command command) {
  return Catalogue()[static_cast<std::size_t>(command)];
}

const CommandListing* FindCommand(std::string_view name) {
  for (const CommandListing& listing : Catalogue()) {
    if (SameName(listing.name, name)) return &listing;
  }
  return nullptr;
}

std::string ReachSummary(Command command) {
  if (command == Command::kMisc) return "the address typed in the packet";
  std::string text;
  for (const PacketKind& kind : PacketsOf(command)) {
    std::string reach = PacketReach(kind);
    if (*kind.when) reach += std::string(" ") + kind.when;
    // AC1's rows all go to the same place.
    if (text.ends_with(reach)) continue;
    text += (text.empty() ? "" : ", then ") + reach;
  }
  return text;
}

}  // namespace tvx::protocol
