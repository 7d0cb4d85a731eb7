#include "protocol/numeric.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tvx::protocol {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

template <typename Int>
std::optional<Int> ToInteger(std::string_view text) {
  const std::optional<double> value = ToNumber(text);
  if (!value) return std::nullopt;
  const double rounded = std::nearbyint(*value);  // the default rounding mode: half to even
  if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) {
    return std::nullopt;
  }
  return static_cast<Int>(rounded);
}
}  // namespace

std::optional<double> ToNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int digits = 0;
  int points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || points > 1) return std::nullopt;
  // from_chars wants a digit before the point.
  const std::string body = text.front() == '.' ? "0" + std::string(text) : std::string(text);
  double value = 0;
  const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value,
                                         std::chars_format::fixed);
  if (ec != std::errc() || end != body.data() + body.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<std::int16_t> ToInt16(std::string_view text) { return ToInteger<std::int16_t>(text); }

std::optional<std::int32_t> ToInt32(std::string_view text) { return ToInteger<std::int32_t>(text); }

std::string TwoDigits(std::int16_t value) { return (value < 10 ? "0" : "") + std::to_string(value); }

}  // namespace tvx::protocol
