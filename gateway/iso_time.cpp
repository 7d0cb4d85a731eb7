#include "gateway/iso_time.h"

#include <chrono>
#include <cstdio>

namespace tvx::gateway {

namespace {

using namespace std::chrono;

// Days since 1970-01-01 of a civil date; nothing for a date that does not exist.
std::optional<std::int64_t> DaysOf(int y, int m, int d) {
  const year_month_day date{year{y}, month{static_cast<unsigned>(m)},
                            day{static_cast<unsigned>(d)}};
  if (!date.ok()) return std::nullopt;
  return sys_days(date).time_since_epoch().count();
}

bool Number(std::string_view text, std::size_t at, std::size_t digits, int& out) {
  if (text.size() < at + digits) return false;
  out = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

std::string IsoUtc(std::int64_t utc_ms) {
  const sys_time<milliseconds> at{milliseconds{utc_ms}};
  const auto day_start = floor<days>(at);
  const year_month_day date{day_start};
  const hh_mm_ss<milliseconds> time{at - day_start};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return text;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!Number(text, 0, 4, y) || text.size() < 19 || text[4] != '-' || !Number(text, 5, 2, mo) ||
      text[7] != '-' || !Number(text, 8, 2, d) || (text[10] != 'T' && text[10] != 't') ||
      !Number(text, 11, 2, h) || text[13] != ':' || !Number(text, 14, 2, mi) || text[16] != ':' ||
      !Number(text, 17, 2, s)) {
    return std::nullopt;
  }
  if (h > 23 || mi > 59 || s > 59) return std::nullopt;
  std::size_t at = 19;
  int ms = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    int digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      if (digits < 3) ms = ms * 10 + (text[at] - '0');
      ++digits;
      ++at;
    }
    if (digits == 0) return std::nullopt;
    for (int i = digits; i < 3; ++i) ms *= 10;
  }
  int offset_min = 0;
  const std::string_view zone = text.substr(at);
  if (zone == "Z" || zone == "z") {
    offset_min = 0;
  } else if (!zone.empty() && (zone[0] == '+' || zone[0] == '-')) {
    int oh = 0, om = 0;
    const bool colon = zone.size() == 6 && zone[3] == ':';
    if (!(zone.size() == 5 || colon) || !Number(zone, 1, 2, oh) ||
        !Number(zone, colon ? 4 : 3, 2, om) || oh > 23 || om > 59) {
      return std::nullopt;
    }
    offset_min = (zone[0] == '-' ? -1 : 1) * (oh * 60 + om);
  } else {
    return std::nullopt;  // a local time names no moment here
  }
  const auto days = DaysOf(y, mo, d);
  if (!days) return std::nullopt;
  return ((*days * 24 + h) * 60 + mi - offset_min) * 60'000 + s * 1000 + ms;
}

}  // namespace tvx::gateway
