#pragma once

#include "andon/grid.h"
#include "andon/row_transmission.h"
#include "console/dispatcher.h"

namespace tvx::console {

// AC1 (the grid, one position per tick) and AC2 (one sub-cell packet).
void RegisterAndonBranches(Dispatcher& dispatcher, andon::AndonGrid& grid,
                           andon::RowTransmission& rows);

}  // namespace tvx::console
