#include "app/view/byte_boxes.h"

#include <QAbstractTextDocumentLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <climits>

#include "app/view/box_text.h"

namespace tvx::app {

QValidator::State Latin1Validator::validate(QString& input, int&) const {
  return IsLatin1(input) ? Acceptable : Invalid;
}

namespace {

// Characters between which a line never breaks but anywhere: letters, digits and the token
// brackets of packet text (no spaces, no break opportunities).
bool JoinsWord(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
         u == u'<' || u == u'>';
}

}  // namespace

ByteTextEdit::ByteTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  connect(this, &QPlainTextEdit::textChanged, this, &ByteTextEdit::FitWrap);
  FitWrap();
}

// Word wrapping measures a word to its end before it breaks it anywhere, so every line of a
// text that is one long word (a grid's packets) measured all the rest of it: the layout
// grew with the square of the text. Such a text breaks at the same places anywhere.
void ByteTextEdit::FitWrap() {
  const QString text = document()->toRawText();
  const QTextOption::WrapMode mode = std::all_of(text.begin(), text.end(), JoinsWord)
                                         ? QTextOption::WrapAnywhere
                                         : QTextOption::WrapAtWordBoundaryOrAnywhere;
  if (wordWrapMode() != mode) setWordWrapMode(mode);
}

void ByteTextEdit::Append(QStringView tail) {
  QTextDocument& document = *this->document();
  QAbstractTextDocumentLayout& layout = *document.documentLayout();
  const QTextBlock last = document.lastBlock();
  const bool one_block = std::none_of(tail.begin(), tail.end(), IsLineBreak);
  const int lines = last.layout() ? last.layout()->lineCount() : 0;
  // Qt draws the whole block again after any change to it, all of it when a line is added.
  const int from =
      one_block && lines > 0
          ? static_cast<int>(blockBoundingGeometry(last).translated(contentOffset()).top() +
                             last.layout()->lineAt(lines - 1).y()) -
                1
          : -1;
  const QSizeF size = layout.documentSize();
  {
    const QSignalBlocker quiet(from >= 0 ? &layout : nullptr);
    document.setUndoRedoEnabled(false);
    QTextCursor end(&document);
    // In an edit block the cursor does not measure where it ends up: that would lay out the
    // whole line once more.
    end.beginEditBlock();
    end.movePosition(QTextCursor::End);
    end.insertText(tail.toString());
    end.endEditBlock();
    document.setUndoRedoEnabled(true);
  }
  if (from < 0) return;
  if (layout.documentSize() != size) emit layout.documentSizeChanged(layout.documentSize());
  if (from < viewport()->height()) {
    viewport()->update(0, std::max(0, from), viewport()->width(), viewport()->height());
  }
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
