#include "app/view/console_window.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "app/view/progress_bar.h"

namespace tvx::app {

namespace {
constexpr int kMinWidth = 480;
constexpr int kMinHeight = 320;
constexpr int kProgressWidth = 320;
constexpr int kMessageMs = 15000;  // long enough to read after looking back at the window
constexpr int kOutline = 3;        // the cell outline's width

}  // namespace

// The outline around the cell being sent: a solid border drawn directly by a layer over the
// cells, which stays put while the border moves every tick of a grid. A moved widget would
// make Qt work out again which widgets cover which, up to the window, at every tick.
class CellOutlineLayer : public QWidget {
 public:
  explicit CellOutlineLayer(QWidget* cells) : QWidget(cells) {
    setObjectName("AndonCellOutline");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(cells->rect());
    raise();
  }

  const QRect& Place() const { return place_; }
  void Move(const QRect& place) {
    if (place == place_) return;
    update(place_);  // both places repaint, as for a moved widget
    update(place);
    place_ = place;
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    if (place_.isEmpty()) return;
    QPainter painter(this);
    const QColor blue(32, 96, 208);
    const QRect& p = place_;
    painter.fillRect(p.x(), p.y(), p.width(), kOutline, blue);
    painter.fillRect(p.x(), p.bottom() + 1 - kOutline, p.width(), kOutline, blue);
    painter.fillRect(p.x(), p.y() + kOutline, kOutline, p.height() - 2 * kOutline, blue);
    painter.fillRect(p.right() + 1 - kOutline, p.y() + kOutline, kOutline,
                     p.height() - 2 * kOutline, blue);
  }

 private:
  QRect place_;
};

ConsoleWindow::ConsoleWindow(MainView& view, std::function<std::string()> link_text,
                             const andon::RowTransmission* rows, QWidget* parent)
    : QMainWindow(parent),
      view_(view),
      scroll_(new QScrollArea(this)),
      link_(new QLabel(this)),
      progress_(new QuickProgressBar(this)),
      note_(new QLabel(this)),
      message_(new QLabel(this)),
      message_timer_(new QTimer(this)),
      link_text_(std::move(link_text)),
      rows_(rows) {
  scroll_->setWidget(&view);  // the layout keeps its size; the window shows what room allows
  scroll_->setWidgetResizable(false);
  scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll_->setFrameShape(QFrame::NoFrame);
  setCentralWidget(scroll_);
  link_->setObjectName("LinkStatusLabel");
  link_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(link_, 1);
  message_->setObjectName("WindowMessage");
  message_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(message_, 1);
  message_timer_->setSingleShot(true);
  connect(message_timer_, &QTimer::timeout, message_, &QLabel::clear);
  progress_->setObjectName("AndonProgress");
  progress_->setRange(0, andon::RowTransmission::kPositions);
  progress_->setMinimumWidth(kProgressWidth);
  progress_->hide();
  note_->setObjectName("AndonNote");
  note_->hide();
  statusBar()->addPermanentWidget(note_);
  statusBar()->addPermanentWidget(progress_);
  setMinimumSize(kMinWidth, kMinHeight);
  setWindowTitle(view.windowTitle());
  // The outline's layer is shown with the cells: shown later, over them, it would repaint
  // them all.
  if (QWidget* cell = view_.WidgetOf("ORM610R1(1)")) {
    outline_ = new CellOutlineLayer(cell->parentWidget());
  }
  connect(&view, &MainView::Refreshed, this, &ConsoleWindow::ShowState);
  ShowState();
}

ConsoleWindow::~ConsoleWindow() {
  scroll_->takeWidget();
}

void ConsoleWindow::ShowState() {
  const QString text = QString::fromStdString(link_text_ ? link_text_() : std::string());
  if (link_->text() != text) link_->setText(text);
  ShowProgress();
}

// Positions done of 156 and the time left while the grid goes out, the cell being sent
// outlined; once stopped early, how far it got.
void ConsoleWindow::ShowProgress() {
  const bool running = rows_ && rows_->Running();
  const bool stopped = rows_ && rows_->StoppedEarly();
  const int row = rows_ ? rows_->CurrentRow() : 0;
  const int column = rows_ ? rows_->CurrentColumn() : 0;
  if (running) {
    const int done = rows_->Done();
    const int seconds_left = (andon::RowTransmission::kPositions - done + 9) / 10;
    // A new value repaints the bar at once; held back, it is drawn with the tick's other
    // changes, in one pass.
    progress_->setUpdatesEnabled(false);
    progress_->setValue(done);
    const QString format = QStringLiteral("Row %1, column %2: %v of %m, about %3 s left")
                               .arg(row)
                               .arg(column)
                               .arg(seconds_left);
    if (progress_->format() != format) progress_->setFormat(format);
    progress_->setUpdatesEnabled(true);
  }
  if (progress_->isHidden() == running) progress_->setVisible(running);
  const QString note =
      stopped ? QStringLiteral("Andon transmission stopped at row %1, column %2 (%3 of %4)")
                    .arg(row)
                    .arg(column)
                    .arg(rows_->Done())
                    .arg(andon::RowTransmission::kPositions)
              : QString();
  if (note_->text() != note) note_->setText(note);
  if (note_->isHidden() == stopped) note_->setVisible(stopped);

  QWidget* cell =
      running && column > 0
          ? view_.WidgetOf("ORM610R" + std::to_string(row) + "(" + std::to_string(column) + ")")
          : nullptr;
  if (!cell) {
    if (outline_) outline_->Move({});
    return;
  }
  QWidget* cells = cell->parentWidget();
  if (!outline_ || outline_->parentWidget() != cells) {
    delete outline_;
    outline_ = new CellOutlineLayer(cells);
    outline_->show();
  }
  if (outline_->geometry() != cells->rect()) outline_->setGeometry(cells->rect());
  outline_->Move(cell->geometry().adjusted(-kOutline, -kOutline, kOutline, kOutline));
}

void ConsoleWindow::ShowMessage(const QString& text, bool error) {
  message_->setText(text);
  message_->setStyleSheet(error ? QStringLiteral("color: rgb(160,0,0); font-weight: bold;")
                                : QString());
  message_->setAccessibleName(error ? QStringLiteral("Error") : QStringLiteral("Message"));
  if (error) {
    message_timer_->stop();
  } else {
    message_timer_->start(kMessageMs);
  }
}

QString ConsoleWindow::MessageText() const {
  return message_->text();
}

QString ConsoleWindow::ProgressText() const {
  if (!progress_->isHidden()) return progress_->text();
  return note_->isHidden() ? QString() : note_->text();
}

std::optional<QRect> ConsoleWindow::CellOutline() const {
  if (!outline_ || outline_->Place().isEmpty()) return std::nullopt;
  return outline_->Place();
}

QString ConsoleWindow::LinkText() const {
  return link_->text();
}

QSize ConsoleWindow::WholeSize() const {
  const QSize content = scroll_->widget()->size();
  return {content.width(), content.height() + statusBar()->sizeHint().height()};
}

bool ConsoleWindow::OpensMaximized(QSize available) const {
  const QSize room = available - kFrameAllowance;
  return WholeSize().width() > room.width() || WholeSize().height() > room.height();
}

QSize ConsoleWindow::OpeningSize(QSize available) const {
  const QSize content = scroll_->widget()->size();
  const int bar = statusBar()->sizeHint().height();
  QSize size(std::min(content.width(), available.width()),
             std::min(content.height() + bar, available.height()));
  // A scroll bar takes room from the other direction: leave it that room where there is some.
  if (size.width() < content.width()) {
    size.rheight() =
        std::min(content.height() + bar + scroll_->horizontalScrollBar()->sizeHint().height(),
                 available.height());
  }
  if (size.height() < content.height() + bar) {
    size.rwidth() = std::min(content.width() + scroll_->verticalScrollBar()->sizeHint().width(),
                             available.width());
  }
  return size.expandedTo(minimumSize());
}

}  // namespace tvx::app
