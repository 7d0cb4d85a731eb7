#include "app/sim/view/sim_monitor.h"

#include <QPainter>
#include <QScrollBar>

namespace tvx::app {

namespace {

constexpr int kErrorRole = Qt::UserRole + 1;
const QColor kErrorColour(170, 0, 0);

// As wide as the error icon, so that every line's text starts in the same place.
QIcon BlankIcon() {
  static const QIcon icon = [] {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
  }();
  return icon;
}

}  // namespace

// Drawn here rather than taken from the style, so that it looks the same on every platform.
QIcon MonitorList::ErrorIcon() {
  static const QIcon icon = [] {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kErrorColour);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 3.5, 2, 6.5));
    p.drawEllipse(QRectF(7, 11, 2, 2));
    return QIcon(pixmap);
  }();
  return icon;
}

MonitorList::MonitorList(QWidget* parent) : QListWidget(parent) {
  setObjectName("SimMonitor");
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  QFont mono(QStringLiteral("monospace"));
  mono.setStyleHint(QFont::TypeWriter);
  setFont(mono);
}

void MonitorList::Append(const std::vector<Line>& lines) {
  if (lines.empty()) return;
  QScrollBar* bar = verticalScrollBar();
  const bool follow = bar->value() >= bar->maximum();
  const std::size_t skip =
      lines.size() > static_cast<std::size_t>(kMaxLines) ? lines.size() - kMaxLines : 0;
  for (std::size_t i = skip; i < lines.size(); ++i) {
    auto* item = new QListWidgetItem(lines[i].text);
    if (lines[i].error) {
      item->setForeground(kErrorColour);
      item->setIcon(ErrorIcon());
      item->setData(kErrorRole, true);
    } else {
      item->setIcon(BlankIcon());
    }
    addItem(item);
  }
  const int excess = count() - kMaxLines;
  for (int i = 0; i < excess; ++i) delete takeItem(0);
  if (follow) {
    scrollToBottom();
  } else if (excess > 0) {
    // Keep the lines being read in place as older ones go.
    bar->setValue(std::max(0, bar->value() - excess));
  }
}

bool MonitorList::IsError(const QListWidgetItem& item) {
  return item.data(kErrorRole).toBool();
}

}  // namespace tvx::app
