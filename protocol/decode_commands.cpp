// Decoders of the commands whose code follows the address: display, numeric, tune,
// maintenance and andon packets, and the marquee text.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/control_bytes.h"
#include "protocol/decode_rules.h"
#include "protocol/numeric.h"

namespace tvx::protocol::decoding {

namespace {

// NUM and SL1 end in at most one attribute code (no button chosen sends none).
bool SplitAttribute(std::string_view& params, char mark, std::string_view& code) {
  if (!params.ends_with(mark) && params.size() >= 2) {
    code = params.substr(params.size() - 2);
    params.remove_suffix(2);
    if (!AttributeOfCode(code)) return false;
  }
  if (!params.ends_with(mark)) return false;
  params.remove_suffix(1);
  return true;
}

void AddAttribute(DecodedPacket& out, std::string_view code) {
  if (!code.empty()) AddField(out, fields::kAttribute, AttributeName(*AttributeOfCode(code)));
}

bool Number(const Context& c, DecodedPacket& out) {
  std::string_view p = c.params;
  std::string_view attribute;
  if (!SplitAttribute(p, 'N', attribute)) return false;
  // A number never holds a "C", so the last one closes the column.
  const std::size_t close = p.rfind('C');
  const std::string_view number = close == std::string_view::npos ? p : p.substr(close + 1);
  const bool fast = !number.empty() && ToInt16(number);
  auto accept = [&](std::string_view row, std::string_view column) {
    auto build = [&] {
      return BuildNumber({AddressOf(c), std::string(number), std::string(row), std::string(column),
                          std::string(attribute)});
    };
    if (!Accepted(c, fast, build)) return false;
    if (!row.empty()) {
      AddField(out, fields::kRow, row);
      AddField(out, fields::kColumn, column);
    }
    AddField(out, fields::kNumber, number);
    AddAttribute(out, attribute);
    return true;
  };
  if (close == std::string_view::npos) return accept({}, {});
  const std::string_view position = p.substr(0, close);
  int tries = 0;
  for (std::size_t r = 1; r + 1 < position.size() && tries < kMaxCandidates; ++r) {
    if (position[r] != 'R') continue;
    ++tries;
    if (accept(position.substr(0, r), position.substr(r + 1))) return true;
  }
  return false;
}

bool StackLight(const Context& c, DecodedPacket& out) {
  std::string_view row = c.params;
  std::string_view attribute;
  if (!SplitAttribute(row, 'R', attribute)) return false;
  const bool fast = !row.empty() && ToInt16(row);
  auto build = [&] {
    return BuildStackLight({AddressOf(c), std::string(row), std::string(attribute), Link::Serial});
  };
  if (!Accepted(c, fast, build)) return false;
  AddField(out, fields::kRow, row);
  AddAttribute(out, attribute);
  return true;
}

constexpr char kTuneLetters[] = "SRDP";
constexpr const char* kTuneNames[] = {fields::kSeconds, fields::kRepeat, fields::kDuration,
                                      fields::kPriority};

int TuneLetter(char c) {
  for (int i = 0; i < 4; ++i) {
    if (kTuneLetters[i] == c) return i;
  }
  return -1;
}

// Can `rest` be optional values whose letters all come after letter `after`? Then it can be
// one value ended by its last letter.
bool TuneTailFits(std::string_view rest, int after) {
  return rest.empty() || (rest.size() >= 2 && TuneLetter(rest.back()) > after);
}

bool Tune(const Context& c, DecodedPacket& out) {
  const std::size_t t = c.params.find('T');  // a tune number never holds a "T"
  if (t == std::string_view::npos) return false;
  TuneFields f{{}, std::string(c.code), std::string(c.params.substr(0, t)), {}, {}, {}, {}};
  std::string* values[] = {&f.seconds, &f.repeat, &f.duration, &f.priority};
  // Optional values in order, each ended by its letter; the shortest value wins a tie.
  const std::string_view rest = c.params.substr(t + 1);
  int after = -1;
  for (std::size_t at = 0; at < rest.size();) {
    std::size_t end = at + 1;
    while (end < rest.size() && !(TuneLetter(rest[end]) > after &&
                                  TuneTailFits(rest.substr(end + 1), TuneLetter(rest[end])))) {
      ++end;
    }
    if (end >= rest.size()) return false;
    after = TuneLetter(rest[end]);
    *values[after] = rest.substr(at, end - at);
    at = end + 1;
  }
  auto build = [&] {
    f.address = AddressOf(c);
    return BuildTune(f);
  };
  if (!Accepted(c, TuneNumberAccepted(f.tune), build)) return false;
  AddField(out, fields::kTune, f.tune);
  for (int i = 0; i < 4; ++i) {
    if (!values[i]->empty()) AddField(out, kTuneNames[i], *values[i]);
  }
  return true;
}

bool DisplayMode(const Context& c, DecodedPacket& out) {
  if (!c.params.ends_with('M')) return false;
  const std::string number(c.params.substr(0, c.params.size() - 1));
  const bool fast = !number.empty() && ToInt16(number);
  if (!Accepted(c, fast, [&] { return BuildDisplayMode(number); })) return false;
  AddField(out, fields::kTemplate, number);
  return true;
}

bool MaintenanceCommand(const Context& c, DecodedPacket&) {
  for (int i = 0; i < static_cast<int>(std::size(kMaintenance)); ++i) {
    if (c.code == CodeOf(kMaintenance[i].command)) {
      // The head is checked already: fixed, or a two-digit group and unit.
      return Accepted(c, c.params.empty(),
                      [&] { return BuildMaintenance(static_cast<Maintenance>(i), AddressOf(c)); });
    }
  }
  return false;
}

// What a grid cell sends after the column, for every cell state: worked out once.
struct CellEntry {
  AndonCell cell;
  std::uint64_t codes;  // packed, see Packed
};

// Up to eight characters as one number, for a quick look-up; longer text matches nothing.
std::uint64_t Packed(std::string_view text) {
  if (text.size() > 8) return 0;
  std::uint64_t key = 0;
  for (const char c : text) key = key << 8 | static_cast<unsigned char>(c);
  return key;
}
const std::vector<CellEntry>& CellCodeTable() {
  static const std::vector<CellEntry> table = [] {
    std::vector<CellEntry> t;
    for (const AndonCell& cell : EverySetCell()) t.push_back({cell, Packed(CodesOf(cell).Text())});
    return t;
  }();
  return table;
}

bool AndonCellPacket(const Context& c, DecodedPacket& out) {
  const int row = c.code[3] - '0';
  const std::size_t close = c.params.find('C');
  if (close == 0 || close > 2) return false;
  const std::string_view column_text = c.params.substr(0, close);
  int column = 0;
  for (char d : column_text) {
    if (d < '0' || d > '9') return false;
    column = column * 10 + (d - '0');
  }
  if (column < 1 || column > kAndonColumns) return false;
  const std::string_view codes = c.params.substr(close + 1);
  const auto& table = CellCodeTable();
  const std::uint64_t key = Packed(codes);
  const auto found = std::find_if(table.begin(), table.end(),
                                  [key](const CellEntry& entry) { return entry.codes == key; });
  if (found == table.end()) return false;
  const AndonCell& cell = found->cell;
  const bool fast = column_text == std::to_string(column);
  if (!Accepted(c, fast, [&] { return BuildAndonCell(AddressOf(c), row, column, cell); })) {
    return false;
  }
  AddField(out, fields::kRow, std::to_string(row));
  AddField(out, fields::kColumn, column_text);
  AddField(out, fields::kShade, ShadeName(cell.shade));
  const auto flash = FlashOfCode(cell.flash);
  if (flash) AddField(out, fields::kFlashCode, cell.flash);
  AddField(out, fields::kAttribute, AttributeName(cell.Attribute()));
  // A dark cell sends no primary code.
  if (cell.shade != Shade::kDark)
    AddField(out, fields::kPrimary, std::string(1, LetterOf(cell.shade)));
  if (flash) AddField(out, fields::kSecondary, LetterText(flash->secondary));
  return true;
}

// Splits "text.sub" at each dot, the first dot first, then not at all.
template <typename Try>
bool EachSubSplit(std::string_view text, std::string& main, std::string& sub, Try&& attempt) {
  for (std::size_t d = 1; d + 1 < text.size(); ++d) {
    if (text[d] != '.') continue;
    main = text.substr(0, d);
    sub = text.substr(d + 1);
    if (attempt()) return true;
  }
  main = text;
  sub.clear();
  return attempt();
}

bool SubCell(const Context& c, DecodedPacket& out) {
  std::string_view p = c.params;
  SubCellFields f;
  // With characters the packet ends "[chars]" and the attribute; without, the three codes.
  const bool colours = p.ends_with('S');
  const std::size_t codes = colours ? 6 : 2;
  if (p.size() < codes) return false;
  const std::string_view tail = p.substr(p.size() - codes);
  p.remove_suffix(codes);
  const auto codes_read = CellCodes::Parse(tail);
  if (!codes_read || codes_read->primary.has_value() != colours) return false;
  const auto attribute = AttributeOfCode(tail.substr(0, 2));
  if (!attribute) return false;
  f.attribute = *attribute;
  if (colours) {
    if (!codes_read->secondary) return false;
    f.primary = LetterOf(*codes_read->primary);
    f.secondary = LetterOf(*codes_read->secondary);
  }
  // A split of these very bytes, with codes read back through the pickers' own tables: the
  // builder refuses nothing else, so it writes the same bytes.
  int tries = 0;
  auto attempt = [&] {
    return ++tries <= kMaxCandidates && Accepted(c, true, [&] {
      f.address = AddressOf(c);
      return BuildSubCell(f);
    });
  };
  // "row R column C", each part with an optional ".sub" when there are no characters.
  auto split_cell = [&](std::string_view cell) {
    for (std::size_t r = 1; r + 1 < cell.size(); ++r) {
      if (cell[r] != 'R') continue;
      const std::string_view row = cell.substr(0, r), column = cell.substr(r + 1);
      if (!colours) {
        f.row = row;
        f.column = column;
        if (attempt()) return true;
        continue;
      }
      const bool found = EachSubSplit(row, f.row, f.sub_row, [&] {
        return EachSubSplit(column, f.column, f.sub_column, attempt);
      });
      if (found) return true;
    }
    return false;
  };
  bool found = false;
  if (colours) {
    found = p.ends_with('C') && split_cell(p.substr(0, p.size() - 1));
  } else if (p.ends_with(']')) {
    for (std::size_t k = 3; k + 3 < p.size() && !found; ++k) {
      if (p[k] != 'C' || p[k + 1] != '[') continue;
      f.characters = p.substr(k + 2, p.size() - k - 3);
      found = split_cell(p.substr(0, k));
    }
  }
  if (!found) return false;
  AddField(out, fields::kRow, f.row);
  if (!f.sub_row.empty()) AddField(out, fields::kSubRow, f.sub_row);
  AddField(out, fields::kColumn, f.column);
  if (!f.sub_column.empty()) AddField(out, fields::kSubColumn, f.sub_column);
  if (!f.characters.empty()) AddField(out, fields::kCharacters, f.characters);
  AddField(out, fields::kAttribute, AttributeName(f.attribute));
  if (colours) {
    AddField(out, fields::kPrimary, std::string(1, f.primary));
    AddField(out, fields::kSecondary, std::string(1, f.secondary));
  }
  return true;
}

}  // namespace

CommandDecoder AddressedDecoder(Command command) {
  switch (command) {
    case Command::kAC1:
      return AndonCellPacket;
    case Command::kAC2:
      return SubCell;
    case Command::kNUM:
      return Number;
    case Command::kTU1:
    case Command::kTU2:
      return Tune;
    case Command::kSL1:
      return StackLight;
    case Command::kSDM:
      return DisplayMode;
    case Command::kTest:
    case Command::kClear:
    case Command::kDiag:
    case Command::kBoot:
    case Command::kSVN:
      return MaintenanceCommand;
    default:
      return nullptr;
  }
}

bool DecodeMarqueeText(const Context& c, DecodedPacket& out) {
  std::string_view p = c.params;
  MarqueeFields f;
  f.clear_home = !p.empty() && p.front() == kClearHome;
  if (f.clear_home) p.remove_prefix(1);
  f.carriage_return = !p.empty() && p.front() == kCarriageReturn;
  if (f.carriage_return) p.remove_prefix(1);
  if (p.empty() || (p.front() != kFlashOn && p.front() != kFlashOff)) return false;
  f.flash = p.front() == kFlashOn;
  f.message = p.substr(1);
  // The options and the text are read straight off the bytes, and the builder checks nothing.
  auto build = [&] {
    f.address = AddressOf(c);
    return BuildMarquee(f);
  };
  if (!Accepted(c, true, build)) return false;
  AddField(out, fields::kClearHome, OnOff(f.clear_home));
  AddField(out, fields::kCarriageReturn, OnOff(f.carriage_return));
  AddField(out, fields::kFlash, OnOff(f.flash));
  AddField(out, fields::kMessage, f.message);
  return true;
}

}  // namespace tvx::protocol::decoding
