#pragma once

#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>
#include <string>

#include "andon/row_transmission.h"
#include "app/view/main_view.h"

class QLabel;
class QProgressBar;
class QScrollArea;
class QTimer;

namespace tvx::app {

class CellOutlineLayer;

// The console window as the operator gets it: the console's layout inside a scroll area, so
// a window smaller than the layout (a small screen, a large scale factor) scrolls instead of
// cutting controls off; resizable down to a minimum size. Beneath it a status bar says which
// link the next packet takes, refreshed with the layout.
class ConsoleWindow : public QMainWindow {
  Q_OBJECT
 public:
  // link_text describes the link from the model's state; rows, when given, is the andon
  // transmission whose progress the bar shows.
  ConsoleWindow(MainView& view, std::function<std::string()> link_text,
                const andon::RowTransmission* rows = nullptr, QWidget* parent = nullptr);
  // The layout belongs to whoever made it, not to the window.
  ~ConsoleWindow() override;

  // The window manager's title bar and borders, known only once the window is up: room left
  // for them when deciding whether the whole layout fits.
  static constexpr QSize kFrameAllowance{8, 40};
  // The size to open at on a screen with this much room: the whole layout where it fits.
  QSize OpeningSize(QSize available) const;
  // The layout and status bar unscrolled.
  QSize WholeSize() const;
  // True when the whole layout and a frame do not fit this room: the window then opens
  // maximized, and the window manager fits it, frame included, to the screen.
  bool OpensMaximized(QSize available) const;
  QScrollArea& Scroll() { return *scroll_; }
  QString LinkText() const;
  // The andon transmission's progress as shown: "" when none is shown.
  QString ProgressText() const;
  // Where the outline around the cell being sent is, in the cells' parent; none while no
  // cell is being sent.
  std::optional<QRect> CellOutline() const;
  // A word from the window itself (a file saved, a file refused), beside the link line; the
  // console's status box is not touched. An error stays until the next message.
  void ShowMessage(const QString& text, bool error = false);
  QString MessageText() const;

 private:
  void ShowState();
  void ShowProgress();

  MainView& view_;
  QScrollArea* scroll_;
  QLabel* link_;
  QProgressBar* progress_;
  QLabel* note_;
  QLabel* message_;
  QTimer* message_timer_;
  CellOutlineLayer* outline_ = nullptr;
  std::function<std::string()> link_text_;
  const andon::RowTransmission* rows_;
};

}  // namespace tvx::app
