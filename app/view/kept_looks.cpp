#include "app/view/kept_looks.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <cmath>
#include <vector>

namespace tvx::app {

namespace {

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

// Pictures of looks that widgets of one class under one parent share: all the cells of the
// andon grid set alike look alike, so one picture serves all of them.
struct SharedLook {
  const QMetaObject* kind = nullptr;
  const QWidget* parent = nullptr;
  LookKey key;
  QPalette palette;  // compared whole: alike widgets each hold their own copy
  QPixmap picture;
};
std::vector<SharedLook>& SharedLooks() {
  static std::vector<SharedLook> looks;
  return looks;
}
constexpr std::size_t kSharedLooks = 16;

// Alike keys mean alike looks only where no style sheet could tell such widgets apart: none
// on the application or any ancestor, and none of the widget's own naming it or a property.
bool MayShare(const QWidget& widget) {
  if (!qApp->styleSheet().isEmpty()) return false;
  for (const QWidget* w = widget.parentWidget(); w; w = w->parentWidget()) {
    if (!w->styleSheet().isEmpty()) return false;
  }
  const QString& own = widget.styleSheet();
  return !own.contains(u'#') && !own.contains(u'[');
}

// A widget with its own style sheet has its own style object and palette: alike looks go by
// the application's style, the sheet, which the key holds, and the palette's colours.
LookKey SharedKeyOf(const QWidget& widget, LookKey key) {
  if (!widget.styleSheet().isEmpty()) key.style = QApplication::style();
  key.palette = 0;
  return key;
}

const QPixmap* FindShared(const QWidget& widget, const LookKey& key) {
  for (const SharedLook& look : SharedLooks()) {
    if (look.kind == widget.metaObject() && look.parent == widget.parentWidget() &&
        look.key == key && look.palette == widget.palette()) {
      return &look.picture;
    }
  }
  return nullptr;
}

void Share(const QWidget& widget, const LookKey& key, const QPixmap& picture) {
  auto& looks = SharedLooks();
  if (looks.size() >= kSharedLooks) looks.erase(looks.begin());  // the oldest
  looks.push_back({widget.metaObject(), widget.parentWidget(), key, widget.palette(), picture});
}

// Copies only the exposed part, in bands: a frame's picture is the whole frame, and Qt's
// raster engine hands a copy of more than 95 rows under anything but a one-rectangle clip
// (the andon outline's old and new places, the packet box's scroll bar) to its thread pool.
void Show(QWidget& widget, const QPixmap& picture, const QRegion& exposed) {
  constexpr int kMostRects = 16;
  constexpr int kBand = 64;
  QPainter painter(&widget);
  const qreal ratio = picture.devicePixelRatio();
  if (exposed.isEmpty() || exposed.rectCount() > kMostRects || ratio != std::floor(ratio)) {
    painter.drawPixmap(0, 0, picture);
    return;
  }
  const int scale = static_cast<int>(ratio);
  for (const QRect& part : exposed) {
    for (int top = part.top(); top <= part.bottom(); top += kBand) {
      const QRect band(part.left(), top, part.width(), std::min(kBand, part.bottom() + 1 - top));
      painter.drawPixmap(band, picture, QRect(band.topLeft() * scale, band.size() * scale));
    }
  }
}

}  // namespace

LookKey KeyOf(const QWidget& widget, const QStyleOption& option, int features, int parts,
              const QString& text, qint64 icon) {
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

void KeptLook::Paint(QWidget& widget, const QRegion& exposed, const LookKey& key,
                     const std::function<void(QPainter&)>& draw) {
  if (key_ && *key_ == key && !picture_.isNull()) {
    Show(widget, picture_, exposed);
    return;
  }
  const bool shared = !key.size.isEmpty() && MayShare(widget);
  const LookKey shared_key = shared ? SharedKeyOf(widget, key) : LookKey();
  if (const QPixmap* same = shared ? FindShared(widget, shared_key) : nullptr) {
    key_ = key;
    picture_ = *same;
    Show(widget, picture_, exposed);
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
  if (shared) Share(widget, shared_key, picture_);
  Show(widget, picture_, exposed);
}

void KeptLook::Forget() {
  key_.reset();
  picture_ = QPixmap();
  SharedLooks().clear();
}

KeptButton::KeptButton(QWidget* parent) : QPushButton(parent) {
  // The console's buttons carry no icon. Left unset, the icon size is asked of the style
  // (sheet) at every paint, which costs more than the kept picture's copy.
  setIconSize(iconSize());
}

void KeptButton::paintEvent(QPaintEvent* event) {
  QStyleOptionButton option;
  initStyleOption(&option);
  look_.Paint(*this, event->region(),
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

void KeptGroupBox::paintEvent(QPaintEvent* event) {
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  const int parts =
      static_cast<int>(option.subControls) | (static_cast<int>(option.activeSubControls) << 16);
  look_.Paint(*this, event->region(),
              KeyOf(*this, option, static_cast<int>(option.features), parts, option.text),
              [this, &option](QPainter& painter) {
                style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
              });
}

void KeptGroupBox::changeEvent(QEvent* event) {
  if (MayChangeLook(*event)) look_.Forget();
  QGroupBox::changeEvent(event);
}

}  // namespace tvx::app
