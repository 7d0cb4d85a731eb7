#include "andon/grid_file.h"

#include <sstream>
#include <string_view>
#include <vector>

#include "andon/grid.h"
#include "protocol/printable_text.h"
#include "window/operator_events.h"

namespace tvx::andon {

namespace {

// A parser's complaint quotes the file, which can hold anything: in a message it is one
// printable line of bounded length, control bytes and bytes that are not UTF-8 as display tokens.
constexpr std::size_t kMaxReasonCharacters = 200;

std::string Shown(const std::string& reason) {
  const auto characters = protocol::PrintableCharacters(reason);
  std::string out;
  for (std::size_t i = 0; i < characters.size() && i < kMaxReasonCharacters; ++i) {
    out += characters[i];
  }
  return characters.size() > kMaxReasonCharacters ? out + "..." : out;
}

constexpr char kNotInAc1[] =
    "Grid not loaded: the AC1 section (Andon Cell Commands) is not the one shown";
constexpr char kGoingOut[] =
    "Grid not loaded: an andon grid is going out; load once its transmission has ended";

}  // namespace

bool GridInUse(const window::FrmMain& w) {
  if (!w.flags.AndonFlag) return false;
  for (int n = 1; n <= protocol::kAndonRows; ++n) {
    for (int i = 1; i <= protocol::kAndonColumns; ++i) {
      if (!w.AndonRow(n)(i)->Reachable()) return false;
    }
  }
  for (const window::Control* picker : PickerButtons(w)) {
    if (!picker->Reachable()) return false;
  }
  return true;
}

bool GridGoingOut(const window::FrmMain& w) {
  return w.flags.AndonFlag && w.SendArmed() && w.Timer1->Enabled();
}

std::string LoadRefusal(const window::FrmMain& w) {
  // A click on a hidden cell does nothing: a load there would silently not happen.
  if (!GridInUse(w)) return kNotInAc1;
  // The transmission reads each cell as it reaches it: a grid changed under it would go out
  // half old, half new.
  if (GridGoingOut(w)) return kGoingOut;
  return {};
}

std::string GridFileText(const window::FrmMain& w) {
  std::ostringstream text;
  WriteLayout(ReadLayout(w), text);
  return text.str();
}

std::string LoadGridText(window::FrmMain& w, const std::string& text) {
  std::istringstream in(text);
  const auto parsed = ParseLayout(in);
  if (const auto* error = std::get_if<LayoutError>(&parsed)) {
    const std::string where = error->line > 0 ? "line " + std::to_string(error->line) + ": " : "";
    return Shown(where + error->message);
  }
  ReplaceGrid(w, std::get<GridLayout>(parsed));
  return {};
}

void ReplaceGrid(window::FrmMain& w, const GridLayout& layout) {
  std::vector<window::Control*> picked;
  for (window::Control* picker : PickerButtons(w)) {
    if (picker->BackColor() != window::kLightGrey) picked.push_back(picker);
  }
  const std::int16_t row = w.Row, column = w.Col;
  // No click returns a set cell to unset; entering AC1 does, and it is what "." means.
  ClearCells(w);
  ApplyLayout(w, layout);
  // The load is not the operator's choice of colours or cell.
  for (window::Control* picker : picked) window::OperatorClick(*picker);
  w.Row = row;
  w.Col = column;
}

}  // namespace tvx::andon
