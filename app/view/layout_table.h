#pragma once

#include <QRect>
#include <optional>
#include <string>
#include <vector>

#include "window/main_window.h"

namespace tvx::app {

// The window's client area: fits a 1366 x 768 screen with its title bar and task bar.
inline constexpr int kClientWidth = 1280;
inline constexpr int kClientHeight = 720;

// The row, column and character fields are shared by several sections, and each puts them
// where it needs them.
enum class Placement { kNumeric, kStackLight, kAndonCell };
Placement PlacementFor(const window::CommandFlags& flags);

// Controls of one group take the keyboard focus one after another, wherever their
// neighbours sit.
enum class TabGroup { kNone, kSidebar, kGrid, kPickers, kCellFields };

struct Place {
  QRect rect;  // in the container's coordinates; empty for controls that are never shown
  TabGroup group = TabGroup::kNone;
};

// Where the control of that name sits; nothing when the table does not know it.
std::optional<Place> PlaceOf(const std::string& name, Placement placement);

// The section buttons in their grid's order, and the place of the grid's n-th slot: the
// buttons shown fill the slots in order, so hidden service buttons leave no holes.
std::vector<std::string> SectionButtonOrder();
QRect SectionSlot(int index);

// The view's own captions "DS1" .. "DS15" of the device-set pairs (index 0 to 14).
QRect DeviceSetCaptionPlace(int index);

}  // namespace tvx::app
