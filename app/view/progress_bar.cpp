#include "app/view/progress_bar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace tvx::app {

// Asked for a bar with visible text, the common style measures the text three times for the
// groove, contents and label rectangles, which Fusion then sets to the whole bar; Fusion
// draws the label centred over all of it. So the bar is drawn without its text, then the
// label on the same rectangle: the same pixels, the text shaped twice instead of five times.
void QuickProgressBar::paintEvent(QPaintEvent* event) {
  if (qstrcmp(style()->metaObject()->className(), "QFusionStyle") != 0) {
    QProgressBar::paintEvent(event);  // another style, or a style sheet: as it draws itself
    return;
  }
  QStylePainter painter(this);
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  const bool text = option.textVisible;
  option.textVisible = false;
  painter.drawControl(QStyle::CE_ProgressBar, option);
  if (!text) return;
  option.textVisible = true;
  painter.drawControl(QStyle::CE_ProgressBarLabel, option);
}

}  // namespace tvx::app
