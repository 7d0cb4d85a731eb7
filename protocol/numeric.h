#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvx::protocol {

// The console's one rule for numbers typed by the operator: blanks around the number are
// ignored; an optional sign; decimal digits with an optional fraction ("12", "-3", "2.5",
// ".5"); nothing else (no exponent, no hexadecimal, no thousands separators). Numbers are
// read exactly as decimals, however many digits they have.
struct Decimal {
  bool negative = false;
  std::string whole;     // digits without leading zeros; empty for zero
  std::string fraction;  // digits without trailing zeros
};
[[nodiscard]] std::optional<Decimal> ToDecimal(std::string_view text);

// The number as a double, for display and arithmetic that need no exactness.
[[nodiscard]] std::optional<double> ToNumber(std::string_view text);

// Whether text is a number from low to high inclusive, compared exactly.
bool NumberWithin(std::string_view text, std::int64_t low, std::int64_t high);

// A number by the rule above, rounded half to even on its exact decimal value, that fits a
// 16-bit signed integer.
std::optional<std::int16_t> ToInt16(std::string_view text);

// The same for a 32-bit signed integer.
std::optional<std::int32_t> ToInt32(std::string_view text);

// An address part as sent: the decimal text, with "0" in front below 10 (7 becomes "07").
std::string TwoDigits(std::int16_t value);

}  // namespace tvx::protocol
