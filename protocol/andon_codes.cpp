#include "protocol/andon_codes.h"

namespace tvx::protocol {

namespace {

struct AttributeRow {
  std::string_view name;
  const char* code;
};
// In the order of AndonAttribute.
constexpr AttributeRow kAttributeRows[] = {{kOff, "0A"}, {kOn, "1A"}, {"FS", "2A"}, {"FF", "3A"}};

struct ColourRow {
  std::string_view letter;
  std::string_view name;
};
// In the order of Colour, which is the order of the digits.
constexpr ColourRow kColourRows[] = {{"B", "dark"}, {"R", "red"}, {"Y", "yellow"}, {"G", "green"}};

constexpr char kSpeedLetters[] = {'S', 'F'};  // by FlashSpeed
constexpr char kPrimaryMark = 'P';
constexpr char kSecondaryMark = 'S';
constexpr char kAttributeMark = 'A';

int Index(auto value) {
  return static_cast<int>(value);
}

}  // namespace

std::string_view AttributeName(AndonAttribute attribute) {
  return kAttributeRows[Index(attribute)].name;
}

const char* AttributeCode(AndonAttribute attribute) {
  return kAttributeRows[Index(attribute)].code;
}

std::optional<AndonAttribute> AttributeNamed(std::string_view name) {
  for (const AndonAttribute a : kAndonAttributes) {
    if (AttributeName(a) == name) return a;
  }
  return std::nullopt;
}

std::optional<AndonAttribute> AttributeOfCode(std::string_view code) {
  for (const AndonAttribute a : kAndonAttributes) {
    if (code == AttributeCode(a)) return a;
  }
  return std::nullopt;
}

std::optional<FlashSpeed> SpeedOf(AndonAttribute attribute) {
  if (attribute == AndonAttribute::kFlashSlow) return FlashSpeed::kSlow;
  if (attribute == AndonAttribute::kFlashFast) return FlashSpeed::kFast;
  return std::nullopt;
}

char LetterOf(Colour colour) {
  return kColourRows[Index(colour)].letter[0];
}

std::string_view LetterText(Colour colour) {
  return kColourRows[Index(colour)].letter;
}

char DigitOf(Colour colour) {
  return static_cast<char>('0' + Index(colour));
}

std::string_view NameOf(Colour colour) {
  return kColourRows[Index(colour)].name;
}

std::optional<Colour> ColourOfLetter(char letter) {
  for (const Colour c : kColours) {
    if (LetterOf(c) == letter) return c;
  }
  return std::nullopt;
}

std::optional<Colour> ColourOfDigit(char digit) {
  if (digit < '0' || digit > '3') return std::nullopt;
  return kColours[digit - '0'];
}

char ColourDigit(char letter) {
  return DigitOf(ColourOfLetter(letter).value_or(Colour::kDark));
}

std::string_view ShadeName(Shade shade) {
  return shade == Shade::kUnset ? "unset" : NameOf(static_cast<Colour>(Index(shade) - 1));
}

Shade ShadeOf(Colour colour) {
  return static_cast<Shade>(Index(colour) + 1);
}

Shade ShadeOf(char letter) {
  return ShadeOf(ColourOfLetter(letter).value_or(Colour::kDark));
}

char LetterOf(Shade shade) {
  return shade == Shade::kUnset ? '.' : LetterOf(static_cast<Colour>(Index(shade) - 1));
}

std::string FlashCode(const Flash& flash) {
  return {LetterOf(flash.secondary), kSpeedLetters[Index(flash.speed)]};
}

std::optional<Flash> FlashOfCode(std::string_view code) {
  if (code.size() != 2) return std::nullopt;
  const auto secondary = ColourOfLetter(code[0]);
  if (!secondary) return std::nullopt;
  for (const FlashSpeed speed : {FlashSpeed::kSlow, FlashSpeed::kFast}) {
    if (code[1] == kSpeedLetters[Index(speed)]) return Flash{*secondary, speed};
  }
  return std::nullopt;
}

AndonAttribute AndonCell::Attribute() const {
  if (const auto f = FlashOfCode(flash)) {
    return f->speed == FlashSpeed::kSlow ? AndonAttribute::kFlashSlow : AndonAttribute::kFlashFast;
  }
  return shade == Shade::kDark ? AndonAttribute::kOff : AndonAttribute::kOn;
}

std::vector<std::string> CellCodes::Pieces() const {
  std::vector<std::string> pieces;
  if (!characters.empty()) pieces.push_back("[" + characters + "]");
  for (const AndonAttribute a : kAndonAttributes) {
    if (attributes[Index(a)]) pieces.emplace_back(AttributeCode(a));
  }
  if (primary) pieces.push_back({DigitOf(*primary), kPrimaryMark});
  if (secondary) pieces.push_back({DigitOf(*secondary), kSecondaryMark});
  return pieces;
}

std::string CellCodes::Text() const {
  std::string text;
  for (const std::string& piece : Pieces()) text += piece;
  return text;
}

std::optional<CellCodes> CellCodes::Parse(std::string_view text) {
  CellCodes codes;
  if (text.starts_with('[')) {
    // Characters may hold brackets themselves; the codes after them never do.
    const std::size_t close = text.rfind(']');
    if (close == std::string_view::npos || close < 2) return std::nullopt;
    codes.characters = text.substr(1, close - 1);
    text.remove_prefix(close + 1);
  }
  // Attributes in ascending order, then the primary, then the secondary: the builders' order.
  int after = -1;
  for (; text.size() >= 2; text.remove_prefix(2)) {
    const auto colour = ColourOfDigit(text[0]);
    if (!colour) return std::nullopt;
    const int order = text[1] == kAttributeMark   ? Index(*colour)
                      : text[1] == kPrimaryMark   ? 4
                      : text[1] == kSecondaryMark ? 5
                                                  : -1;
    if (order <= after) return std::nullopt;
    after = order;
    if (order < 4) codes.attributes[order] = true;
    if (order == 4) codes.primary = colour;
    if (order == 5) codes.secondary = colour;
  }
  if (!text.empty()) return std::nullopt;
  return codes;
}

CellCodes CodesOf(const AndonCell& cell) {
  CellCodes codes;
  if (cell.shade == Shade::kUnset) return codes;
  const bool dark = cell.shade == Shade::kDark;
  const auto flash = FlashOfCode(cell.flash);
  // A flashing dark cell keeps its OFF code beside the flash; it never sends a primary.
  if (dark) codes.attributes[Index(AndonAttribute::kOff)] = true;
  codes.attributes[Index(cell.Attribute())] = true;
  if (!dark) codes.primary = ColourOfLetter(LetterOf(cell.shade));
  if (flash) codes.secondary = flash->secondary;
  return codes;
}

std::vector<AndonCell> EverySetCell() {
  std::vector<std::string> flashes = {""};
  for (const FlashSpeed speed : {FlashSpeed::kSlow, FlashSpeed::kFast}) {
    for (const Colour secondary : kColours) flashes.push_back(FlashCode({secondary, speed}));
  }
  std::vector<AndonCell> cells;
  for (const Colour shade : kColours) {
    for (const std::string& flash : flashes) cells.push_back({ShadeOf(shade), flash});
  }
  return cells;
}

}  // namespace tvx::protocol
