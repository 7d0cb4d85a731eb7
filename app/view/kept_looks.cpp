#include "app/view/kept_looks.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOption>

namespace tvx::app {

namespace {

LookKey KeyOf(const QWidget& widget, const QStyleOption& option, int features, int parts,
              const QString& text, qint64 icon = 0) {
  return {widget.style(),
          widget.size(),
          widget.devicePixelRatioF(),
          static_cast<int>(option.state),
          features,
          parts,
          icon,
          text,
          widget.styleSheet(),
          option.palette.cacheKey(),
          widget.font(),
          widget.layoutDirection()};
}

// Anything that may change a look without changing its key (a parent's style sheet, a
// new style) draws it again.
bool MayChangeLook(const QEvent& event) {
  switch (event.type()) {
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::LanguageChange:
      return true;
    default:
      return false;
  }
}

}  // namespace

void KeptLook::Paint(QWidget& widget, const LookKey& key,
                     const std::function<void(QPainter&)>& draw) {
  if (key_ && *key_ == key && !picture_.isNull()) {
    QPainter(&widget).drawPixmap(0, 0, picture_);
    return;
  }
  if (!key_ || !(*key_ == key) || key.size.isEmpty()) {
    // A look shown once is drawn directly, as before: only one painted again unchanged (the
    // cells and frames under the andon outline) is worth a picture, and the window's first
    // paint stays as cheap as it was.
    key_ = key;
    picture_ = QPixmap();
    QPainter painter(&widget);
    draw(painter);
    return;
  }
  QPixmap picture((QSizeF(key.size) * key.ratio).toSize());
  picture.setDevicePixelRatio(key.ratio);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  // As a painter on the widget itself starts.
  painter.setPen(widget.palette().color(widget.foregroundRole()));
  painter.setBrush(widget.palette().brush(widget.backgroundRole()));
  painter.setFont(widget.font());
  painter.setLayoutDirection(widget.layoutDirection());
  draw(painter);
  painter.end();
  picture_ = std::move(picture);
  ++drawings_;
  QPainter(&widget).drawPixmap(0, 0, picture_);
}

KeptButton::KeptButton(QWidget* parent) : QPushButton(parent) {
  // The console's buttons carry no icon. Left unset, the icon size is asked of the style
  // (sheet) at every paint, which costs more than the kept picture's copy.
  setIconSize(iconSize());
}

void KeptButton::paintEvent(QPaintEvent* /*event*/) {
  QStyleOptionButton option;
  initStyleOption(&option);
  look_.Paint(*this,
              KeyOf(*this, option, static_cast<int>(option.features), 0, option.text,
                    option.icon.cacheKey()),
              [this, &option](QPainter& painter) {
                style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
              });
}

void KeptButton::changeEvent(QEvent* event) {
  if (MayChangeLook(*event)) look_.Forget();
  QPushButton::changeEvent(event);
}

void KeptGroupBox::paintEvent(QPaintEvent* /*event*/) {
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  const int parts =
      static_cast<int>(option.subControls) | (static_cast<int>(option.activeSubControls) << 16);
  look_.Paint(*this, KeyOf(*this, option, static_cast<int>(option.features), parts, option.text),
              [this, &option](QPainter& painter) {
                style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
              });
}

void KeptGroupBox::changeEvent(QEvent* event) {
  if (MayChangeLook(*event)) look_.Forget();
  QGroupBox::changeEvent(event);
}

}  // namespace tvx::app
