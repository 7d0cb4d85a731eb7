#include "app/view/progress_bar.h"

#include <QPaintEvent>
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
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  groove_.Paint(*this, event->region(), KeyOf(*this, option, 0, 0, {}),
                [this, &option](QPainter& painter) {
                  style()->drawControl(QStyle::CE_ProgressBarGroove, &option, &painter, this);
                });
  QStylePainter painter(this);
  painter.drawControl(QStyle::CE_ProgressBarContents, option);
  if (option.textVisible) painter.drawControl(QStyle::CE_ProgressBarLabel, option);
}

}  // namespace tvx::app
