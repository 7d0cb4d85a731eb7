#include "app/view/widget_factory.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "app/view/box_text.h"
#include "app/view/byte_boxes.h"
#include "app/view/kept_looks.h"

namespace tvx::app {

using window::ControlKind;

namespace {

bool IsMultiLineBox(const window::Control& c) {
  return c.Kind() == ControlKind::TextBox && static_cast<const window::TextBox&>(c).MultiLine();
}

QWidget* MakeBox(const window::Control& c, QWidget* parent) {
  if (IsMultiLineBox(c)) {
    auto* box = new ByteTextEdit(parent);
    // A tab is never part of a packet: Tab moves on, as in every other box.
    box->setTabChangesFocus(true);
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
  }
  auto* box = new QLineEdit(parent);
  box->setValidator(new Latin1Validator(box));
  return box;
}

}  // namespace

QWidget* MakeWidget(const window::Control& c, QWidget* parent) {
  switch (c.Kind()) {
    case ControlKind::Frame:
      // Titles come and go ("Command Data" is empty in the base state): every frame is a
      // group box, and one without a title draws as a plain frame.
      return new KeptGroupBox(parent);
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);  // "<02>" is packet text, not markup
      return label;
    }
    case ControlKind::Button: {
      auto* button = new KeptButton(parent);
      button->setAutoDefault(false);
      button->setFocusPolicy(Qt::StrongFocus);
      return button;
    }
    case ControlKind::TextBox:
      return MakeBox(c, parent);
    case ControlKind::OptionButton: {
      auto* option = new QRadioButton(parent);
      option->setAutoExclusive(false);  // the model decides which one is selected
      return option;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(parent);
    case ControlKind::Form:
    case ControlKind::Timer:
      return nullptr;
  }
  return nullptr;
}

window::Color DefaultBackColor(const window::Control& c) {
  return c.Kind() == ControlKind::TextBox ? window::kWhite : window::kWindowFace;
}

QString BackColorStyle(const window::Control& c, window::Color color) {
  if (color == DefaultBackColor(c)) return {};
  const QString rgb = QStringLiteral("rgb(%1,%2,%3)").arg(color.r).arg(color.g).arg(color.b);
  switch (c.Kind()) {
    case ControlKind::Button:
      // A coloured button draws flat: a border keeps cells apart, and focus stays visible.
      return QStringLiteral(
                 "QPushButton{background-color:%1;border:1px solid rgb(96,96,96);"
                 "border-radius:2px;padding:0px;}"
                 "QPushButton:pressed{border:2px solid rgb(48,48,48);}"
                 "QPushButton:focus{border:2px solid rgb(32,96,208);}"
                 "QPushButton:disabled{color:rgb(112,112,112);}")
          .arg(rgb);
    case ControlKind::TextBox:
      return QStringLiteral("%1{background-color:%2;}")
          .arg(IsMultiLineBox(c) ? "QPlainTextEdit" : "QLineEdit", rgb);
    case ControlKind::Label:
      return QStringLiteral("QLabel{background-color:%1;}").arg(rgb);
    case ControlKind::OptionButton:
      return QStringLiteral("QRadioButton{background-color:%1;}").arg(rgb);
    case ControlKind::CheckBox:
      return QStringLiteral("QCheckBox{background-color:%1;}").arg(rgb);
    default:
      return {};
  }
}

QString ShownCaption(const window::Control& c) {
  QString caption = ShownText(c.Caption(), true);
  caption.replace(QChar::ParagraphSeparator, u'\n');
  if (c.Kind() == ControlKind::Button || c.Kind() == ControlKind::OptionButton ||
      c.Kind() == ControlKind::CheckBox) {
    caption.replace(u'&', QStringLiteral("&&"));
  }
  return caption;
}

}  // namespace tvx::app
