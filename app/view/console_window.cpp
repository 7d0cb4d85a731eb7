#include "app/view/console_window.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <algorithm>

namespace tvx::app {

namespace {
constexpr int kMinWidth = 480;
constexpr int kMinHeight = 320;
}  // namespace

ConsoleWindow::ConsoleWindow(MainView& view, std::function<std::string()> link_text,
                             QWidget* parent)
    : QMainWindow(parent),
      scroll_(new QScrollArea(this)),
      link_(new QLabel(this)),
      link_text_(std::move(link_text)) {
  scroll_->setWidget(&view);  // the layout keeps its size; the window shows what room allows
  scroll_->setWidgetResizable(false);
  scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll_->setFrameShape(QFrame::NoFrame);
  setCentralWidget(scroll_);
  link_->setObjectName("LinkStatusLabel");
  link_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(link_, 1);
  setMinimumSize(kMinWidth, kMinHeight);
  setWindowTitle(view.windowTitle());
  connect(&view, &MainView::Refreshed, this, &ConsoleWindow::ShowLink);
  ShowLink();
}

ConsoleWindow::~ConsoleWindow() {
  scroll_->takeWidget();
}

void ConsoleWindow::ShowLink() {
  const QString text = QString::fromStdString(link_text_ ? link_text_() : std::string());
  if (link_->text() != text) link_->setText(text);
}

QString ConsoleWindow::LinkText() const {
  return link_->text();
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
