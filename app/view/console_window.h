#pragma once

#include <QScrollArea>
#include <QSize>

#include "app/view/main_view.h"

namespace tvx::app {

// The console window as the operator gets it: the console's layout inside a scroll area, so
// a window smaller than the layout (a small screen, a large scale factor) scrolls instead of
// cutting controls off. Resizable, down to a minimum size.
class ConsoleWindow : public QScrollArea {
  Q_OBJECT
 public:
  explicit ConsoleWindow(MainView& view, QWidget* parent = nullptr);
  // The layout belongs to whoever made it, not to the window.
  ~ConsoleWindow() override;

  // The size to open at on a screen with this much room: the whole layout where it fits.
  QSize OpeningSize(QSize available) const;
};

}  // namespace tvx::app
