#pragma once

#include <QMainWindow>
#include <QSize>
#include <functional>
#include <string>

#include "app/view/main_view.h"

class QLabel;
class QScrollArea;

namespace tvx::app {

// The console window as the operator gets it: the console's layout inside a scroll area, so
// a window smaller than the layout (a small screen, a large scale factor) scrolls instead of
// cutting controls off; resizable down to a minimum size. Beneath it a status bar says which
// link the next packet takes, refreshed with the layout.
class ConsoleWindow : public QMainWindow {
  Q_OBJECT
 public:
  // link_text describes the link from the model's state.
  ConsoleWindow(MainView& view, std::function<std::string()> link_text, QWidget* parent = nullptr);
  // The layout belongs to whoever made it, not to the window.
  ~ConsoleWindow() override;

  // The size to open at on a screen with this much room: the whole layout where it fits.
  QSize OpeningSize(QSize available) const;
  QScrollArea& Scroll() { return *scroll_; }
  QString LinkText() const;

 private:
  void ShowLink();

  QScrollArea* scroll_;
  QLabel* link_;
  std::function<std::string()> link_text_;
};

}  // namespace tvx::app
