#include "app/view/byte_boxes.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextCursor>
#include <algorithm>
#include <climits>

#include "app/view/box_text.h"

namespace tvx::app {

QValidator::State Latin1Validator::validate(QString& input, int&) const {
  return IsLatin1(input) ? Acceptable : Invalid;
}

int ByteTextEdit::Room() const {
  if (max_length_ <= 0) return INT_MAX;
  const int used = ModelLength(document()->toRawText()) - ModelLength(textCursor().selectedText());
  return std::max(0, max_length_ - used);
}

QString ByteTextEdit::Fit(const QString& text) const {
  QString fitted;
  int room = Room();
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c.unicode() > 0xFF && !IsLineBreak(c)) continue;
    if (IsLineBreak(c)) {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      c = u'\n';
    }
    const int cost = c == u'\n' ? 2 : 1;
    if (cost > room) break;
    room -= cost;
    fitted += c;
  }
  return fitted;
}

void ByteTextEdit::keyPressEvent(QKeyEvent* event) {
  if (!isReadOnly()) {
    const bool line_break = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString text = line_break ? QStringLiteral("\n") : event->text();
    const bool inserts =
        !text.isEmpty() &&
        (line_break || std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); }));
    if (inserts && Fit(text) != text) {
      event->accept();  // not a character of the link, or no room left
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void ByteTextEdit::insertFromMimeData(const QMimeData* source) {
  if (isReadOnly() || !source->hasText()) return;
  insertPlainText(Fit(source->text()));
}

void ByteTextEdit::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = Fit(event->commitString());
  if (commit == event->commitString()) {
    QPlainTextEdit::inputMethodEvent(event);
    return;
  }
  QInputMethodEvent fitted(event->preeditString(), event->attributes());
  fitted.setCommitString(commit, event->replacementStart(), event->replacementLength());
  QPlainTextEdit::inputMethodEvent(&fitted);
}

int BoxCaret(const QWidget* box) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(box)) {
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  }
  if (const auto* area = qobject_cast<const QPlainTextEdit*>(box)) {
    return area->textCursor().selectionStart();
  }
  return 0;
}

QString BoxText(const QWidget* box) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(box)) return edit->text();
  if (const auto* area = qobject_cast<const QPlainTextEdit*>(box)) {
    return area->document()->toRawText();  // toPlainText() would turn U+00A0 into a blank
  }
  return {};
}

}  // namespace tvx::app
