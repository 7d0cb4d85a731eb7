#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The andon cell grammar, spelt once for the builders, the decoder, the grid and its files
// and the simulator:
// - an attribute: OFF, ON, FS (flash slow), FF (flash fast), sent as 0A to 3A (NUM and SL1
//   send theirs the same way);
// - a colour: B (dark), R, Y, G, sent as the digits 0 to 3, then P for the primary and S for
//   the secondary;
// - a grid cell's flash code: the secondary's letter, then S (slow) or F (fast), e.g. "RS";
// - the codes a cell packet carries after the cell's address: AC2's characters in brackets,
//   the attribute codes, the primary, the secondary ("2A1P2S", "0A2A1S", "[AB]2A").
namespace tvx::protocol {

// The two states of every ON/OFF choice.
inline constexpr std::string_view kOn = "ON";
inline constexpr std::string_view kOff = "OFF";

enum class AndonAttribute { kOff, kOn, kFlashSlow, kFlashFast };
inline constexpr AndonAttribute kAndonAttributes[] = {AndonAttribute::kOff, AndonAttribute::kOn,
                                                      AndonAttribute::kFlashSlow,
                                                      AndonAttribute::kFlashFast};
// As the attribute buttons are captioned: OFF, ON, FS, FF.
std::string_view AttributeName(AndonAttribute attribute);
// "0A" to "3A".
const char* AttributeCode(AndonAttribute attribute);
std::optional<AndonAttribute> AttributeNamed(std::string_view name);
std::optional<AndonAttribute> AttributeOfCode(std::string_view code);

enum class FlashSpeed { kSlow, kFast };
// FS and FF flash; OFF and ON do not.
std::optional<FlashSpeed> SpeedOf(AndonAttribute attribute);

// In the order of their digits.
enum class Colour { kDark, kRed, kYellow, kGreen };
inline constexpr Colour kColours[] = {Colour::kDark, Colour::kRed, Colour::kYellow, Colour::kGreen};
char LetterOf(Colour colour);
// B, R, Y, G, each its own text: a choice's values.
std::string_view LetterText(Colour colour);
char DigitOf(Colour colour);
// "dark", "red", "yellow", "green".
std::string_view NameOf(Colour colour);
std::optional<Colour> ColourOfLetter(char letter);
std::optional<Colour> ColourOfDigit(char digit);
// Colour letters are sent as their digits; an unknown letter as B's.
char ColourDigit(char letter);

// What a grid cell holds: its shade and its flash code ("" or a flash code such as "RS").
enum class Shade { kUnset, kDark, kRed, kYellow, kGreen };
// "unset", "dark", "red", "yellow", "green".
std::string_view ShadeName(Shade shade);
// The shade a primary letter gives: B dark, R red, Y yellow, G green.
Shade ShadeOf(char letter);
Shade ShadeOf(Colour colour);
// The colour letter of a shade; '.' for unset.
char LetterOf(Shade shade);

struct Flash {
  Colour secondary = Colour::kDark;
  FlashSpeed speed = FlashSpeed::kSlow;
  bool operator==(const Flash&) const = default;
};
std::string FlashCode(const Flash& flash);
// Nothing for text that is no flash code ("" included).
std::optional<Flash> FlashOfCode(std::string_view code);

struct AndonCell {
  Shade shade = Shade::kUnset;
  std::string flash;
  bool operator==(const AndonCell&) const = default;
  // What the pickers were set to: a steady dark cell is OFF, a steady lit one ON.
  AndonAttribute Attribute() const;
};

// The codes a cell packet carries after the cell's address.
struct CellCodes {
  std::string characters;            // AC2's; none when empty
  std::array<bool, 4> attributes{};  // by AndonAttribute: a flashing dark grid cell has two
  std::optional<Colour> primary, secondary;
  bool operator==(const CellCodes&) const = default;

  // One piece per code, the characters with their brackets as one.
  std::vector<std::string> Pieces() const;
  std::string Text() const;
  // Exactly what the builders write, in their order; nothing for other text.
  static std::optional<CellCodes> Parse(std::string_view text);
};

// What the row sender writes for a set grid cell.
CellCodes CodesOf(const AndonCell& cell);

// Every state a set grid cell can hold: each shade, steady, then flashing slow and fast with
// each secondary.
std::vector<AndonCell> EverySetCell();

}  // namespace tvx::protocol
