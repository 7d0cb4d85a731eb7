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

// A solid border, drawn directly: it moves every tick of a grid.
class CellOutlineFrame : public QFrame {
 public:
  using QFrame::QFrame;

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    const QColor blue(32, 96, 208);
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w, kOutline, blue);
    painter.fillRect(0, h - kOutline, w, kOutline, blue);
    painter.fillRect(0, kOutline, kOutline, h - 2 * kOutline, blue);
    painter.fillRect(w - kOutline, kOutline, kOutline, h - 2 * kOutline, blue);
  }
};

}  // namespace

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
    if (outline_ && !outline_->isHidden()) outline_->hide();
    return;
  }
  if (!outline_ || outline_->parentWidget() != cell->parentWidget()) {
    delete outline_;
    outline_ = new CellOutlineFrame(cell->parentWidget());
    outline_->setObjectName("AndonCellOutline");
    outline_->setAttribute(Qt::WA_TransparentForMouseEvents);
    outline_->raise();
  }
  const QRect place = cell->geometry().adjusted(-kOutline, -kOutline, kOutline, kOutline);
  if (outline_->geometry() != place) outline_->setGeometry(place);
  if (outline_->isHidden()) outline_->show();
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

const QFrame* ConsoleWindow::CellOutline() const {
  return outline_ && !outline_->isHidden() ? outline_ : nullptr;
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
