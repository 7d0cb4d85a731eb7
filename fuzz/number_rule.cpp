// The number rule against a reference written another way: the decimal is scaled by two and
// compared digit by digit, with no shared code.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "protocol/numeric.h"

namespace {

bool Blank(char c) {
  return c == ' ' || c == '\t';
}

// Rounds half to even by looking at twice the fraction: below one, exactly one, above one.
std::optional<long long> Reference(std::string s, long long low, long long high) {
  std::size_t a = 0, b = s.size();
  while (a < b && Blank(s[a])) ++a;
  while (b > a && Blank(s[b - 1])) --b;
  s = s.substr(a, b - a);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.erase(0, 1);
  }
  std::string whole, fraction;
  bool point = false;
  for (char c : s) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      (point ? fraction : whole) += c;
    } else {
      return std::nullopt;
    }
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  // Twice the fraction, compared with 1: its first digit decides unless it is exactly 5.
  int twice = 0;  // -1 below half, 0 exactly half, 1 above half
  if (fraction.empty() || fraction[0] < '5') {
    twice = -1;
  } else if (fraction[0] > '5') {
    twice = 1;
  } else {
    twice = fraction.find_first_not_of('0', 1) == std::string::npos ? 0 : 1;
  }
  long long value = 0;
  for (char c : whole) {
    if (value > 1'000'000'000'000LL) return std::nullopt;  // beyond every range used
    value = value * 10 + (c - '0');
  }
  if (twice > 0 || (twice == 0 && value % 2 == 1)) ++value;
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto got16 = tvx::protocol::ToInt16(text);
  const auto want16 = Reference(text, -32768, 32767);
  if (got16.has_value() != want16.has_value() || (got16 && *got16 != *want16)) std::abort();
  const auto got32 = tvx::protocol::ToInt32(text);
  const auto want32 = Reference(text, -2147483648LL, 2147483647LL);
  if (got32.has_value() != want32.has_value() || (got32 && *got32 != *want32)) std::abort();
  return 0;
}
