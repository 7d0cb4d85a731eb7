#pragma once

#include <QPixmap>
#include <QProgressBar>

namespace tvx::app {

// A progress bar that looks as QProgressBar does, drawn with less work where the style
// allows: its value and text change with every tick of an andon grid.
class QuickProgressBar : public QProgressBar {
  Q_OBJECT
 public:
  using QProgressBar::QProgressBar;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // What the groove is drawn from: while it stays the same, its picture is copied.
  struct GrooveKey {
    const QStyle* style = nullptr;
    QSize size;
    qreal ratio = 1;
    int state = 0;
    qint64 palette = 0;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    bool operator==(const GrooveKey&) const = default;
  };
  GrooveKey groove_key_;
  QPixmap groove_;
};

}  // namespace tvx::app
