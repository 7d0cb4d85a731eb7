#pragma once

#include <string>

namespace tvx::testing {

// A request's "grid" value: six rows of 25 cells, the first `red` cells of the first row red and
// the rest unset, so an AC1 grid of that many positions.
inline std::string GridRowsJson(int red) {
  const auto row = [](int reds) {
    std::string r;
    for (int i = 0; i < 25; ++i) r += (i ? " " : "") + std::string(i < reds ? "R" : ".");
    return "\"" + r + "\"";
  };
  std::string rows = "[" + row(red);
  for (int i = 1; i < 6; ++i) rows += "," + row(0);
  return rows + "]";
}

}  // namespace tvx::testing
