#include "andon/grid.h"

namespace tvx::andon {

using window::Control;
using Controls = std::initializer_list<Control*>;

AndonGrid::AndonGrid(window::FrmMain& w) : w_(w) {}

void AndonGrid::ShowPickers() {
  window::FrmMain& w = w_;
  for (Control* c : Controls{w.ORM610AttLabel, w.ORM610AttOFF, w.ORM610AttON, w.ORM610AttFS,
                             w.ORM610AttFF, w.ORM610PriLabel, w.ORM610PriB, w.ORM610PriR,
                             w.ORM610PriY, w.ORM610PriG, w.ORM610SecLabel, w.ORM610SecB,
                             w.ORM610SecR, w.ORM610SecY, w.ORM610SecG}) {
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
  for (int n = 1; n <= 6; ++n) {
    for (int i = 1; i <= 25; ++i) {
      w.AndonRow(n)(i)->SetBackColor(window::kLightGrey);
      w.AndonRow(n)(i)->SetCaption("");
    }
  }
}

}  // namespace tvx::andon
