#pragma once

#include "andon/grid.h"
#include "console/sections.h"

namespace tvx::console {

// The 25 command sections: what each shows, empties and presets, and how it changes the
// address fields.
void AddSections(Sections& sections, window::FrmMain& w, andon::AndonGrid& grid);

}  // namespace tvx::console
