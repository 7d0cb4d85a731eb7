// Model to widgets: properties, placement and keyboard order.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <algorithm>
#include <map>
#include <tuple>

#include "app/view/box_text.h"
#include "app/view/byte_boxes.h"
#include "app/view/main_view.h"
#include "app/view/widget_factory.h"

namespace tvx::app {

using window::Control;
using window::ControlKind;

namespace {

constexpr int kNoLimit = 32767;  // QLineEdit's own "no limit"

Qt::CheckState CheckStateOf(int value) {
  return value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

}  // namespace

void MainView::Refresh() {
  RefreshFrom(true);
}

void MainView::RefreshChanged() {
  RefreshFrom(false);
}

void MainView::RefreshFrom(bool all) {
  if (refreshing_) return;
  refreshing_ = true;
  if (const Placement placement = PlacementFor(w_.flags); placement != placement_) {
    Place(placement);
  }
  for (Binding& b : bindings_) {
    const std::uint64_t changes = b.control->Changes();
    if (!all && refreshed_ && changes == b.drawn) continue;
    RefreshBinding(b, !refreshed_);
    b.drawn = changes;
  }
  RefreshErrorMark();
  RefreshSectionGrid();
  refreshed_ = true;
  refreshing_ = false;
  emit Refreshed();
}

void MainView::RefreshBinding(Binding& b, bool first) {
  const Control& c = *b.control;
  QWidget* q = b.widget;
  if (q == this) {
    // The title belongs to whatever window holds the console's layout.
    const QString title = ShownCaption(c);
    if (windowTitle() != title) setWindowTitle(title);
    if (window() != this && window()->windowTitle() != title) window()->setWindowTitle(title);
    return;
  }
  // A widget that was never shown or hidden follows its parent, so the first pass sets all.
  if (first || q->isHidden() == c.Visible()) q->setVisible(c.Visible());
  if (q->testAttribute(Qt::WA_ForceDisabled) == c.Enabled()) q->setEnabled(c.Enabled());
  if (b.shown_back != c.BackColor()) {
    q->setStyleSheet(BackColorStyle(c, c.BackColor()));
    b.shown_back = c.BackColor();
  }
  switch (c.Kind()) {
    case ControlKind::Frame:
      if (auto* group = qobject_cast<QGroupBox*>(q)) {
        const QString title = ShownCaption(c);
        if (group->title() != title) group->setTitle(title);
      }
      break;
    case ControlKind::Label: {
      auto* label = static_cast<QLabel*>(q);
      const QString text = ShownCaption(c);
      if (label->text() != text) label->setText(text);
      break;
    }
    case ControlKind::Button:
    case ControlKind::OptionButton:
    case ControlKind::CheckBox: {
      auto* button = static_cast<QAbstractButton*>(q);
      const QString text = ShownCaption(c);
      if (button->text() != text) button->setText(text);
      if (auto* option = qobject_cast<QRadioButton*>(q)) {
        const bool value = static_cast<const window::OptionButton&>(c).Value();
        if (option->isChecked() != value) option->setChecked(value);
      } else if (auto* check = qobject_cast<QCheckBox*>(q)) {
        const Qt::CheckState state = CheckStateOf(static_cast<const window::CheckBox&>(c).Value());
        if (check->checkState() != state) check->setCheckState(state);
      }
      break;
    }
    case ControlKind::TextBox:
      RefreshBox(b);
      break;
    case ControlKind::Form:
    case ControlKind::Timer:
      break;
  }
}

void MainView::RefreshBox(const Binding& b) {
  const auto& box = static_cast<const window::TextBox&>(*b.control);
  if (auto* edit = qobject_cast<QLineEdit*>(b.widget)) {
    const QString text = ShownText(box.Text(), false);
    // A program write may exceed the limit; the box must show it whole, and typing into
    // such a box is refused as it is at the limit.
    const int limit =
        box.MaxLength() > 0 ? std::max(box.MaxLength(), static_cast<int>(text.size())) : kNoLimit;
    if (edit->maxLength() != limit) edit->setMaxLength(limit);
    if (edit->text() != text) edit->setText(text);
    if (edit->isReadOnly() != box.Locked()) edit->setReadOnly(box.Locked());
    const int caret = ShownPosition(box.Text(), box.Caret(), false);
    if (BoxCaret(edit) != caret) edit->setCursorPosition(caret);
    return;
  }
  auto* area = static_cast<ByteTextEdit*>(b.widget);
  if (area->MaxLength() != box.MaxLength()) area->SetMaxLength(box.MaxLength());
  const QString text = ShownText(box.Text(), true);
  if (const QString shown = BoxText(area); shown != text) {
    if (!shown.isEmpty() && text.startsWith(shown)) {
      area->Append(QStringView(text).mid(shown.size()));
    } else {
      area->setPlainText(text);
    }
  }
  if (area->isReadOnly() != box.Locked()) {
    area->setReadOnly(box.Locked());
    // Read-only still lets the caret move, for the ESC token and for reading long texts.
    if (box.Locked()) {
      area->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
  }
  const int caret = ShownPosition(box.Text(), box.Caret(), true);
  if (BoxCaret(area) != caret) {
    QTextCursor cursor = area->textCursor();
    cursor.setPosition(caret);
    area->setTextCursor(cursor);
  }
}

void MainView::Place(Placement placement) {
  placement_ = placement;
  for (const Binding& b : bindings_) {
    if (b.widget == this) continue;
    if (const auto place = PlaceOf(b.control->Name(), placement)) {
      if (b.widget->geometry() != place->rect) b.widget->setGeometry(place->rect);
    }
  }
  OrderTabs();
}

// The section buttons shown fill the grid in order: hidden service buttons leave no holes.
void MainView::RefreshSectionGrid() {
  if (section_buttons_.empty()) {
    for (const std::string& name : SectionButtonOrder()) {
      if (const auto it = by_name_.find(name); it != by_name_.end()) {
        section_buttons_.push_back(it->second);
      }
    }
  }
  int slot = 0;
  for (const int index : section_buttons_) {
    const Binding& b = bindings_[index];
    if (!b.control->Visible()) continue;
    const QRect place = SectionSlot(slot++);
    if (b.widget->geometry() != place) b.widget->setGeometry(place);
  }
}

void MainView::OrderTabs() {
  std::vector<QWidget*> chain;
  AppendTabChain(*w_.frmMain, chain);
  for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

// Top to bottom, left to right within each frame, by the middle of each control so that a
// button and a box on one line go left to right. A group goes as one block, from the top
// of its members' bounding box.
void MainView::AppendTabChain(const Control& container, std::vector<QWidget*>& chain) const {
  struct Item {
    TabGroup group;
    QRect own;
    const Control* control;
  };
  std::vector<Item> items;
  std::map<TabGroup, QRect> blocks;
  for (const Control* child : container.Children()) {
    const auto place = PlaceOf(child->Name(), placement_);
    if (!place || !WidgetOf(child->Name())) continue;
    items.push_back({place->group, place->rect, child});
    if (place->group != TabGroup::kNone) blocks[place->group] |= place->rect;
  }
  const auto key = [&blocks](const Item& item) {
    const bool grouped = item.group != TabGroup::kNone;
    const QRect block = grouped ? blocks.at(item.group) : item.own;
    return std::tuple(grouped ? block.top() : block.center().y(), block.x(), item.own.center().y(),
                      item.own.x());
  };
  std::stable_sort(items.begin(), items.end(),
                   [&key](const Item& a, const Item& b) { return key(a) < key(b); });
  for (const Item& item : items) {
    QWidget* widget = WidgetOf(item.control->Name());
    if (item.control->Kind() == ControlKind::Frame) {
      AppendTabChain(*item.control, chain);
    } else if (widget->focusPolicy() & Qt::TabFocus) {
      chain.push_back(widget);
    }
  }
}

}  // namespace tvx::app
