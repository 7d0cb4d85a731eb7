#pragma once

#include <QGroupBox>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <functional>
#include <optional>

namespace tvx::app {

// What a widget's look is drawn from: while it stays the same, so does the picture.
struct LookKey {
  const QStyle* style = nullptr;
  QSize size;
  qreal ratio = 1;
  int state = 0;     // the style option's state: enabled, focus, hover, pressed, active
  int features = 0;  // a button's features, a group box's
  int parts = 0;     // a group box's parts shown and active
  qint64 icon = 0;
  QString text;
  QString sheet;
  qint64 palette = 0;
  QFont font;
  Qt::LayoutDirection direction = Qt::LeftToRight;
  bool operator==(const LookKey&) const = default;
};

// The key of a widget's look as its style option describes it.
LookKey KeyOf(const QWidget& widget, const QStyleOption& option, int features, int parts,
              const QString& text, qint64 icon = 0);

// A widget's look drawn once and copied while nothing it is drawn from changes. During an
// andon grid the outline's move repaints the cells beside it and the frames under it every
// tick; drawing them through the style (sheet) each time was most of the window's cost.
class KeptLook {
 public:
  // Paints the widget with `draw` the first time it shows the look of `key`; paints it again
  // with that look from a picture drawn once, copying only what `exposed` holds.
  void Paint(QWidget& widget, const QRegion& exposed, const LookKey& key,
             const std::function<void(QPainter&)>& draw);
  // Draws the next showing again, and every widget's shared look with it.
  void Forget();
  // How often a picture was drawn: for tests.
  int Drawings() const { return drawings_; }

 private:
  std::optional<LookKey> key_;
  QPixmap picture_;
  int drawings_ = 0;
};

class KeptButton : public QPushButton {
  Q_OBJECT
 public:
  explicit KeptButton(QWidget* parent = nullptr);
  const KeptLook& Look() const { return look_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  KeptLook look_;
};

class KeptGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  using QGroupBox::QGroupBox;
  const KeptLook& Look() const { return look_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  KeptLook look_;
};

}  // namespace tvx::app
