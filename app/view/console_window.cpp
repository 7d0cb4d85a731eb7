#include "app/view/console_window.h"

#include <QScrollBar>
#include <algorithm>

namespace tvx::app {

namespace {
constexpr int kMinWidth = 480;
constexpr int kMinHeight = 320;
}  // namespace

ConsoleWindow::ConsoleWindow(MainView& view, QWidget* parent) : QScrollArea(parent) {
  setWidget(&view);  // the layout keeps its size; the window shows what room allows
  setWidgetResizable(false);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFrameShape(QFrame::NoFrame);
  setMinimumSize(kMinWidth, kMinHeight);
  setWindowTitle(view.windowTitle());
}

ConsoleWindow::~ConsoleWindow() { takeWidget(); }

QSize ConsoleWindow::OpeningSize(QSize available) const {
  const QSize content = widget()->size();
  QSize size(std::min(content.width(), available.width()),
             std::min(content.height(), available.height()));
  // A scroll bar takes room from the other direction: leave it that room where there is some.
  if (size.width() < content.width()) {
    size.rheight() = std::min(content.height() + horizontalScrollBar()->sizeHint().height(),
                              available.height());
  }
  if (size.height() < content.height()) {
    size.rwidth() = std::min(content.width() + verticalScrollBar()->sizeHint().width(),
                             available.width());
  }
  return size.expandedTo(minimumSize());
}

}  // namespace tvx::app
