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

window::Color ColorOf(protocol::Colour colour) {
  switch (colour) {
    case protocol::Colour::kDark:
      return window::kDarkGrey;
    case protocol::Colour::kRed:
      return window::kRed;
    case protocol::Colour::kYellow:
      return window::kYellow;
    case protocol::Colour::kGreen:
      break;
  }
  return window::kGreen;
}

protocol::AndonCell CellState(const window::FrmMain& w, int row, int column) {
  const window::Control* cell = w.AndonRow(row)(column);
  const window::Color shade = cell->BackColor();
  protocol::AndonCell state;
  if (shade == window::kLightGrey) return state;  // unset (and every row header)
  for (const protocol::Colour colour : protocol::kColours) {
    if (shade == ColorOf(colour)) state.shade = protocol::ShadeOf(colour);
  }
  state.flash = cell->Caption();
  return state;
}

AndonGrid::AndonGrid(window::FrmMain& w) : w_(w) {
  std::array<std::array<Picker, 4>, 3> groups = {{
      {{{w.ORM610AttOFF, window::kRed},
        {w.ORM610AttON, window::kGreen},
        {w.ORM610AttFS, window::kGreen},
        {w.ORM610AttFF, window::kGreen}}},
  }};
  const auto primaries = PrimaryButtons(w), secondaries = SecondaryButtons(w);
  for (std::size_t i = 0; i < 4; ++i) {
    const window::Color color = ColorOf(protocol::kColours[i]);
    groups[1][i] = {primaries[i], color};
    groups[2][i] = {secondaries[i], color};
  }
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

std::array<Control*, 4> PrimaryButtons(const window::FrmMain& w) {
  return {w.ORM610PriB, w.ORM610PriR, w.ORM610PriY, w.ORM610PriG};
}

std::array<Control*, 4> SecondaryButtons(const window::FrmMain& w) {
  return {w.ORM610SecB, w.ORM610SecR, w.ORM610SecY, w.ORM610SecG};
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
  const auto primaries = PrimaryButtons(w), secondaries = SecondaryButtons(w);
  for (std::size_t i = 0; i < 4; ++i) {
    if (!grey(primaries[i])) s.primary = protocol::kColours[i];
    if (!grey(secondaries[i])) s.secondary = protocol::kColours[i];
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
  cell->SetBackColor(ColorOf(s.primary));
  const auto speed = protocol::SpeedOf(s.attribute);
  cell->SetCaption(speed ? protocol::FlashCode({s.secondary, *speed}) : std::string());
}

}  // namespace tvx::andon
