#include "app/view/main_view.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>

#include "app/view/box_text.h"
#include "app/view/byte_boxes.h"
#include "app/view/key_codes.h"
#include "app/view/view_texts.h"
#include "app/view/widget_factory.h"
#include "console/texts.h"
#include "protocol/catalogue.h"
#include "window/key_codes.h"
#include "window/operator_events.h"

namespace tvx::app {

using window::Control;
using window::ControlKind;

namespace {

constexpr int kFontPixels = 12;  // the fixed layout is measured in this size

}  // namespace

MainView::MainView(window::FrmMain& w, QWidget* parent) : QWidget(parent), w_(w) {
  QFont f = font();
  f.setPixelSize(kFontPixels);
  setFont(f);
  setFixedSize(kClientWidth, kClientHeight);
  bindings_.reserve(w_.controls.All().size());
  for (const auto& control : w_.controls.All()) Bind(*control);
  AddDeviceSetCaptions();
  AddSectionTips();
  AddErrorMark();
  // An andon grid's packets pile up in the packet box, whose whole text Qt lays out again
  // with each one. Its text is Latin, one byte a character: without a shaper the box costs
  // about the same at the 150th packet as at the first.
  if (QWidget* packets = WidgetOf(w_.PacketText->Name())) {
    QFont unshaped;
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    packets->setFont(unshaped);
  }
  Place(PlacementFor(w_.flags));
  Refresh();
}

QWidget* MainView::WidgetOf(const std::string& name) const {
  const auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : bindings_[it->second].widget;
}

void MainView::Bind(Control& c) {
  QWidget* widget = this;
  if (c.Kind() != ControlKind::Form) {
    QWidget* parent = c.Container() ? WidgetOf(c.Container()->Name()) : nullptr;
    widget = MakeWidget(c, parent ? parent : this);
    if (!widget) return;
    widget->setObjectName(QString::fromStdString(c.Name()));
    widget->installEventFilter(this);
  }
  const int index = static_cast<int>(bindings_.size());
  bindings_.push_back({&c, widget, DefaultBackColor(c)});
  by_name_[c.Name()] = index;
  index_of_[widget] = index;
  // A box takes its mouse events on its viewport.
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    box->viewport()->installEventFilter(this);
    index_of_[box->viewport()] = index;
  }
  Connect(index);
}

void MainView::Connect(int index) {
  QWidget* widget = bindings_[index].widget;
  auto typed = [this, index] { Typed(bindings_[index]); };
  auto caret = [this, index] { CaretMoved(bindings_[index]); };
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    connect(button, &QAbstractButton::clicked, this,
            [this, index] { Click(*bindings_[index].control); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::textEdited, this, typed);
    connect(edit, &QLineEdit::cursorPositionChanged, this, caret);
    connect(edit, &QLineEdit::selectionChanged, this, caret);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(box, &QPlainTextEdit::textChanged, this, typed);
    connect(box, &QPlainTextEdit::cursorPositionChanged, this, caret);
    connect(box, &QPlainTextEdit::selectionChanged, this, caret);
  }
}

void MainView::AddDeviceSetCaptions() {
  QWidget* frame = WidgetOf(w_.fraSGU->Name());
  for (int i = 0; i < w_.txtSGUGroup.Size(); ++i) {
    auto* caption = new QLabel(QStringLiteral("DS%1").arg(i + 1), frame);
    caption->setGeometry(DeviceSetCaptionPlace(i));
  }
}

void MainView::Click(Control& c) {
  const window::CommandFlags before = w_.flags;
  window::OperatorClick(c);
  Refresh();
  if (w_.flags.Any() && !(w_.flags == before)) FocusFirstField();
}

void MainView::AddSectionTips() {
  for (window::Button* button : w_.SectionButtons()) {
    const protocol::CommandListing* listing = protocol::FindCommand(button->Caption());
    QWidget* widget = WidgetOf(button->Name());
    if (listing && widget)
      widget->setToolTip(QString::fromStdString(listing->name + ": " + listing->summary));
  }
}

// A warning sign in the status box's corner while its line is a refusal or a failure.
void MainView::AddErrorMark() {
  QWidget* box = WidgetOf(w_.StatusText->Name());
  if (!box) return;
  auto* mark = new QLabel(box);
  mark->setObjectName("StatusErrorMark");
  const int side = 20;
  mark->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
  mark->setToolTip(QString::fromUtf8(view_texts::kErrorTip.data(),
                                     static_cast<qsizetype>(view_texts::kErrorTip.size())));
  mark->setGeometry(box->width() - side - 24, 4, side, side);
  mark->hide();
  error_mark_ = mark;
}

void MainView::RefreshErrorMark() {
  QWidget* box = WidgetOf(w_.StatusText->Name());
  const bool error = w_.StatusText->Text().rfind(console::texts::kErrorPrefix, 0) == 0;
  if (!box || !error_mark_ || error == error_shown_) return;
  error_shown_ = error;
  box->setStyleSheet(error ? QStringLiteral("QPlainTextEdit{background-color:rgb(253,232,232);"
                                            "color:rgb(139,0,0);}")
                           : QString());
  error_mark_->setGeometry(box->width() - error_mark_->width() - 24, 4, error_mark_->width(),
                           error_mark_->height());
  error_mark_->setVisible(error);
}

// The first box of the section's own fields, else of the address, takes the keys.
void MainView::FocusFirstField() {
  const Control* areas[] = {w_.CommandDataFrame, w_.AddressFrame};
  for (const Control* area : areas) {
    std::vector<QWidget*> chain;
    AppendTabChain(*area, chain);
    for (QWidget* widget : chain) {
      const auto* line = qobject_cast<QLineEdit*>(widget);
      const auto* area = qobject_cast<QPlainTextEdit*>(widget);
      const bool typable = (line && !line->isReadOnly()) || (area && !area->isReadOnly());
      if (typable && widget->isVisible() && widget->isEnabled()) {
        widget->setFocus(Qt::OtherFocusReason);
        return;
      }
    }
  }
}

// The operator's typing: the box's text as it stands becomes the model's text.
void MainView::Typed(const Binding& b) {
  if (refreshing_) return;
  auto& box = static_cast<window::TextBox&>(*b.control);
  box.SetText(ModelText(BoxText(b.widget), box.MultiLine()));
  box.SetCaret(ModelPosition(box.Text(), BoxCaret(b.widget), box.MultiLine()));
  Refresh();
}

void MainView::CaretMoved(const Binding& b) {
  if (refreshing_) return;
  auto& box = static_cast<window::TextBox&>(*b.control);
  box.SetCaret(ModelPosition(box.Text(), BoxCaret(b.widget), box.MultiLine()));
}

// Runs before the widget sees the key. Keys the console acts on by themselves (Send,
// Cancel, the ESC token) go no further; every other key still types as usual, except with
// Alt alone: Alt+letter is a command key (the service chord), never a character.
bool MainView::KeyDown(const Binding& b, const QKeyEvent& event) {
  Control& c = *b.control;
  const auto code = ConsoleKeyCode(event.key(), event.modifiers());
  if (code && c.on_key_down) {
    window::OperatorKeyDown(c, *code, ConsoleShiftState(event.modifiers()));
    Refresh();
    if (*code == window::kKeyEsc || *code == window::kKeyF1 || *code == window::kKeyF2) {
      return true;
    }
  }
  const auto chord = event.modifiers() & (Qt::AltModifier | Qt::ControlModifier);
  return chord == Qt::AltModifier && !event.text().isEmpty();
}

bool MainView::eventFilter(QObject* watched, QEvent* event) {
  const auto it = index_of_.find(watched);
  if (refreshing_ || it == index_of_.end()) return QWidget::eventFilter(watched, event);
  const Binding& b = bindings_[it->second];
  if (event->type() == QEvent::KeyPress && watched == b.widget) {
    return KeyDown(b, *static_cast<QKeyEvent*>(event));
  }
  if (event->type() == QEvent::MouseButtonDblClick) {
    window::OperatorDoubleClick(*b.control);
    Refresh();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tvx::app
