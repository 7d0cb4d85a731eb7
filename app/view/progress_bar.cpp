#include "app/view/progress_bar.h"

#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace tvx::app {

// Drawn as the common style composes a bar (groove, contents, label), with two savings under
// Fusion, which sets all three rectangles to the whole bar:
// - the text is not measured three times for rectangles Fusion does not use;
// - the groove, which does not change while the bar fills, is drawn once and copied: its
//   antialiased lines were split across Qt's thread pool at every paint.
void QuickProgressBar::paintEvent(QPaintEvent* event) {
  if (qstrcmp(style()->metaObject()->className(), "QFusionStyle") != 0) {
    QProgressBar::paintEvent(event);  // another style, or a style sheet: as it draws itself
    return;
  }
  QStylePainter painter(this);
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  const GrooveKey key{style(),
                      size(),
                      devicePixelRatioF(),
                      static_cast<int>(option.state),
                      option.palette.cacheKey(),
                      option.direction};
  if (groove_.isNull() || !(groove_key_ == key)) {
    groove_ = QPixmap((QSizeF(key.size) * key.ratio).toSize());
    groove_.setDevicePixelRatio(key.ratio);
    groove_.fill(Qt::transparent);
    QPainter picture(&groove_);
    style()->drawControl(QStyle::CE_ProgressBarGroove, &option, &picture, this);
    groove_key_ = key;
  }
  painter.drawPixmap(0, 0, groove_);
  painter.drawControl(QStyle::CE_ProgressBarContents, option);
  if (option.textVisible) painter.drawControl(QStyle::CE_ProgressBarLabel, option);
}

}  // namespace tvx::app
