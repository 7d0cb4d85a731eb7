#include "andon/grid.h"

#include <array>

namespace tvx::andon {

using window::Control;
using Controls = std::initializer_list<Control*>;

namespace {
struct Picker {
  Control* button;
  window::Color selected;
};
}  // namespace

window::Color LetterColor(char letter) {
  switch (letter) {
    case 'B':
      return window::kDarkGrey;
    case 'R':
      return window::kRed;
    case 'Y':
      return window::kYellow;
    default:
      return window::kGreen;
  }
}

protocol::AndonCell CellState(const window::FrmMain& w, int row, int column) {
  const window::Control* cell = w.AndonRow(row)(column);
  const window::Color shade = cell->BackColor();
  protocol::AndonCell state;
  if (shade == window::kLightGrey) return state;  // unset (and every row header)
  for (char letter : {'B', 'R', 'Y', 'G'}) {
    if (shade == LetterColor(letter)) state.shade = protocol::ShadeOf(letter);
  }
  state.flash = cell->Caption();
  return state;
}

AndonGrid::AndonGrid(window::FrmMain& w) : w_(w) {
  const std::array<std::array<Picker, 4>, 3> groups = {{
      {{{w.ORM610AttOFF, window::kRed},
        {w.ORM610AttON, window::kGreen},
        {w.ORM610AttFS, window::kGreen},
        {w.ORM610AttFF, window::kGreen}}},
      {{{w.ORM610PriB, LetterColor('B')},
        {w.ORM610PriR, LetterColor('R')},
        {w.ORM610PriY, LetterColor('Y')},
        {w.ORM610PriG, LetterColor('G')}}},
      {{{w.ORM610SecB, LetterColor('B')},
        {w.ORM610SecR, LetterColor('R')},
        {w.ORM610SecY, LetterColor('Y')},
        {w.ORM610SecG, LetterColor('G')}}},
  }};
  for (const auto& group : groups) {
    for (const Picker& p : group) {
      p.button->on_click = [group, p] {
        for (const Picker& other : group) other.button->SetBackColor(window::kLightGrey);
        p.button->SetBackColor(p.selected);
      };
    }
  }
  for (int n = 1; n <= 6; ++n) {
    w.AndonRow(n)(0)->on_click = [this, n] { RowHeaderClick(n); };
    for (int i = 1; i <= 25; ++i) w.AndonRow(n)(i)->on_click = [this, n, i] { CellClick(n, i); };
  }
  for (int i = 1; i <= 25; ++i) {
    w.ORM610C1(i)->on_click = [this, i] {
      for (int n = 1; n <= 6; ++n) CellClick(n, i);
    };
  }
  w.ORM610R0C0(0)->on_click = [this] {
    for (int n = 1; n <= 6; ++n) RowHeaderClick(n);
  };
}

void AndonGrid::ShowPickers() {
  window::FrmMain& w = w_;
  for (Control* c :
       Controls{w.ORM610AttLabel, w.ORM610AttOFF, w.ORM610AttON, w.ORM610AttFS, w.ORM610AttFF,
                w.ORM610PriLabel, w.ORM610PriB, w.ORM610PriR, w.ORM610PriY, w.ORM610PriG,
                w.ORM610SecLabel, w.ORM610SecB, w.ORM610SecR, w.ORM610SecY, w.ORM610SecG}) {
    c->SetVisible(true);
    if (c->Kind() == window::ControlKind::Button) c->SetBackColor(window::kLightGrey);
  }
  w.ORM610AttON->SetBackColor(window::kGreen);
  w.ORM610PriR->SetBackColor(window::kRed);
  w.ORM610SecB->SetBackColor(window::kDarkGrey);
}

void AndonGrid::ShowGrid() {
  window::FrmMain& w = w_;
  w.ORM610R0C0(0)->SetVisible(true);
  for (int n = 1; n <= 6; ++n) {
    for (Control* c : w.AndonRow(n)) c->SetVisible(true);
  }
  for (int i = 1; i <= 25; ++i) w.ORM610C1(i)->SetVisible(true);
  w.ORM610RowLabel->SetVisible(true);
  w.ORM610ColLabel->SetVisible(true);
  ShowPickers();
  ClearCells(w);
}

void ClearCells(window::FrmMain& w) {
  for (int n = 1; n <= 6; ++n) {
    for (int i = 1; i <= 25; ++i) {
      w.AndonRow(n)(i)->SetBackColor(window::kLightGrey);
      w.AndonRow(n)(i)->SetCaption("");
    }
  }
}

std::array<Control*, 12> PickerButtons(const window::FrmMain& w) {
  return {w.ORM610AttOFF, w.ORM610AttON, w.ORM610AttFS, w.ORM610AttFF, w.ORM610PriB, w.ORM610PriR,
          w.ORM610PriY,   w.ORM610PriG,  w.ORM610SecB,  w.ORM610SecR,  w.ORM610SecY, w.ORM610SecG};
}

Selection AndonGrid::Picked() const {
  const window::FrmMain& w = w_;
  auto grey = [](const Control* c) { return c->BackColor() == window::kLightGrey; };
  Selection s;
  if (!grey(w.ORM610AttOFF)) s.attribute = Attribute::kOff;
  if (!grey(w.ORM610AttON)) s.attribute = Attribute::kOn;
  if (!grey(w.ORM610AttFS)) s.attribute = Attribute::kFlashSlow;
  if (!grey(w.ORM610AttFF)) s.attribute = Attribute::kFlashFast;
  const std::pair<Control*, char> primaries[] = {
      {w.ORM610PriB, 'B'}, {w.ORM610PriR, 'R'}, {w.ORM610PriY, 'Y'}, {w.ORM610PriG, 'G'}};
  for (const auto& [button, letter] : primaries) {
    if (!grey(button)) s.primary = letter;
  }
  const std::pair<Control*, char> secondaries[] = {
      {w.ORM610SecB, 'B'}, {w.ORM610SecR, 'R'}, {w.ORM610SecY, 'Y'}, {w.ORM610SecG, 'G'}};
  for (const auto& [button, letter] : secondaries) {
    if (!grey(button)) s.secondary = letter;
  }
  return s;
}

void AndonGrid::CellClick(int row, int column) {
  w_.Row = static_cast<std::int16_t>(row);
  w_.Col = static_cast<std::int16_t>(column);
  ApplySelection(row, column);
}

void AndonGrid::RowHeaderClick(int row) {
  w_.Row = static_cast<std::int16_t>(row);
  for (int column = 1; column <= 25; ++column) {
    w_.Col = static_cast<std::int16_t>(column);
    ApplySelection(row, column);
  }
}

void AndonGrid::ApplySelection(int row, int column) {
  Control* cell = w_.AndonRow(row)(column);
  const Selection s = Picked();
  if (s.attribute == Attribute::kOff) {
    cell->SetBackColor(window::kDarkGrey);
    cell->SetCaption("");
    return;
  }
  cell->SetBackColor(LetterColor(s.primary));
  cell->SetCaption("");
  if (s.attribute == Attribute::kFlashFast) cell->SetCaption(std::string{s.secondary, 'F'});
  if (s.attribute == Attribute::kFlashSlow) cell->SetCaption(std::string{s.secondary, 'S'});
}

}  // namespace tvx::andon
