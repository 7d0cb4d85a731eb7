#include "protocol/numeric.h"

#include <charconv>
#include <limits>

namespace tvx::protocol {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Whole numbers beyond this many digits are out of every range the console uses.
constexpr std::size_t kMaxWholeDigits = 18;

// The decimal rounded half to even to a whole number; nothing when it is too large to hold.
std::optional<std::int64_t> Rounded(const Decimal& d) {
  if (d.whole.size() > kMaxWholeDigits) return std::nullopt;
  std::int64_t value = 0;
  for (char c : d.whole) value = value * 10 + (c - '0');
  if (!d.fraction.empty()) {
    const char first = d.fraction[0];
    // The fraction has no trailing zeros, so a 5 with more digits after it is above half.
    const bool above_half = first > '5' || (first == '5' && d.fraction.size() > 1);
    const bool half = first == '5' && d.fraction.size() == 1;
    if (above_half || (half && value % 2 != 0)) ++value;
  }
  return d.negative ? -value : value;
}

template <typename Int>
std::optional<Int> ToInteger(std::string_view text) {
  const auto decimal = ToDecimal(text);
  if (!decimal) return std::nullopt;
  const auto value = Rounded(*decimal);
  if (!value || *value < std::numeric_limits<Int>::min() ||
      *value > std::numeric_limits<Int>::max()) {
    return std::nullopt;
  }
  return static_cast<Int>(*value);
}

}  // namespace

std::optional<Decimal> ToDecimal(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  Decimal d;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    d.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (std::string_view part : {whole, fraction}) {
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
    }
  }
  d.whole = std::string(whole.substr(std::min(whole.find_first_not_of('0'), whole.size())));
  const auto last = fraction.find_last_not_of('0');
  d.fraction = last == std::string_view::npos ? "" : std::string(fraction.substr(0, last + 1));
  if (d.whole.empty() && d.fraction.empty()) d.negative = false;  // -0 is 0
  return d;
}

std::optional<double> ToNumber(std::string_view text) {
  const auto d = ToDecimal(text);
  if (!d) return std::nullopt;
  const std::string body = (d->whole.empty() ? "0" : d->whole) + "." + d->fraction + "0";
  double value = 0;
  std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::fixed);
  return d->negative ? -value : value;
}

bool NumberWithin(std::string_view text, std::int64_t low, std::int64_t high) {
  const auto d = ToDecimal(text);
  if (!d || d->whole.size() > kMaxWholeDigits) return false;
  std::int64_t whole = 0;
  for (char c : d->whole) whole = whole * 10 + (c - '0');
  const bool has_fraction = !d->fraction.empty();
  // The magnitude is whole + f with 0 <= f < 1, f > 0 exactly when there is a fraction.
  auto at_most = [&](std::int64_t bound) {
    return whole < bound || (whole == bound && !has_fraction);
  };
  auto at_least = [&](std::int64_t bound) { return whole >= bound; };
  if (d->negative) return at_most(-low) && at_least(-high);
  return at_least(low) && at_most(high);
}

std::optional<std::int16_t> ToInt16(std::string_view text) {
  return ToInteger<std::int16_t>(text);
}

std::optional<std::int32_t> ToInt32(std::string_view text) {
  return ToInteger<std::int32_t>(text);
}

std::string TwoDigits(std::int16_t value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace tvx::protocol
