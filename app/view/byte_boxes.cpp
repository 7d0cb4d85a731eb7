#include "app/view/byte_boxes.h"

#include <QAbstractTextDocumentLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

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

// Where the last line of a one-block text starts, for an append to measure from there on.
struct LastLine {
  int start = 0;     // in the block
  int before = 0;    // lines above it
  qreal top = 0;     // its top in the block
  qreal width = 0;   // the width lines are broken at
  qreal height = 0;  // a line's height, and what a negative leading takes off the next top
  int overlap = 0;
};

// Qt lays out a whole block again after each change to it. An append that breaks anywhere
// leaves the lines above the last where they were: while nothing of it is in sight, only the
// last line onwards is measured, for the line count the scroll bar shows, and Qt lays the
// block out when it next needs it (a paint, the scroll bar's range, the caret).
class AppendingLayout : public QPlainTextDocumentLayout {
 public:
  explicit AppendingLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {
    // A new width (the scroll bar shown, a resize) clears every line with no change to the
    // text: what was measured no longer holds.
    connect(this, &QAbstractTextDocumentLayout::update, this, [this] { measured_.reset(); });
  }

  // The next change is an append to the only block, starting on its last line.
  void Expect(const LastLine& line) { expected_ = line; }
  // The block's last line, when laid out here and not by Qt since.
  std::optional<LastLine> Measured(const QTextBlock& block) const {
    if (!measured_ || block.layout()->lineCount() > 0) return std::nullopt;
    return measured_;
  }

 protected:
  void documentChanged(int from, int removed, int added) override {
    const std::optional<LastLine> expected = std::exchange(expected_, std::nullopt);
    measured_.reset();
    QTextBlock block = document()->firstBlock();
    if (!expected || removed != 0 || document()->blockCount() != 1 ||
        from < block.position() + expected->start) {
      QPlainTextDocumentLayout::documentChanged(from, removed, added);
      return;
    }
    QTextLayout rest(block.text().mid(expected->start), document()->defaultFont(), paintDevice());
    rest.setTextOption(document()->defaultTextOption());
    LastLine last = *expected;
    int lines = 0;
    qreal y = expected->top;
    rest.beginLayout();
    for (QTextLine line = rest.createLine(); line.isValid(); line = rest.createLine()) {
      line.setLeadingIncluded(true);  // as QPlainTextDocumentLayout lays out its lines
      line.setLineWidth(expected->width);
      const int overlap = line.leading() < 0 ? qCeil(line.leading()) : 0;
      last = {expected->start + line.textStart(),
              expected->before + lines,
              y,
              expected->width,
              line.height(),
              overlap};
      y += line.height();
      if (overlap != 0) y += overlap;
      ++lines;
    }
    rest.endLayout();
    block.clearLayout();
    block.setLineCount(expected->before + lines);
    measured_ = last;
  }

 private:
  std::optional<LastLine> expected_;
  std::optional<LastLine> measured_;
};

ByteTextEdit::ByteTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  // As QPlainTextEdit sets up its own document, with a layout that appends cheaply.
  auto* doc = new QTextDocument(this);
  layout_ = new AppendingLayout(doc);
  doc->setDocumentLayout(layout_);
  setDocument(doc);
  doc->setTextWidth(-1);
  layout_->setPaintDevice(viewport());
  doc->setDefaultFont(font());
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
  const QTextBlock last = document.lastBlock();
  const bool one_block = std::none_of(tail.begin(), tail.end(), IsLineBreak);
  std::optional<LastLine> line = layout_->Measured(last);
  if (const QTextLayout* laid = last.layout(); !line && laid && laid->lineCount() > 0) {
    const QTextLine l = laid->lineAt(laid->lineCount() - 1);
    line = LastLine{l.textStart(), laid->lineCount() - 1, l.y(), l.width()};
  }
  // Qt draws the whole block again after any change to it, all of it when a line is added.
  int from = -1;
  if (one_block && line) {
    const qreal block_top = document.blockCount() == 1
                                ? contentOffset().y()
                                : blockBoundingGeometry(last).translated(contentOffset()).top();
    from = static_cast<int>(block_top + line->top) - 1;
  }
  // Out of sight, an append that keeps breaking anywhere is measured from the last line on.
  if (from >= viewport()->height() && document.blockCount() == 1 &&
      wordWrapMode() == QTextOption::WrapAnywhere &&
      std::all_of(tail.begin(), tail.end(), JoinsWord)) {
    layout_->Expect(*line);
  }
  QAbstractTextDocumentLayout& layout = *document.documentLayout();
  const QSizeF size = layout.documentSize();
  {
    const QSignalBlocker quiet(from >= 0 ? &layout : nullptr);
    document.setUndoRedoEnabled(false);
    QTextCursor end(&document);
    // In an edit block the cursor does not measure where it ends up, and a position set is
    // not looked up in the layout as a move would: either would lay out the whole line.
    end.beginEditBlock();
    end.setPosition(document.characterCount() - 1);
    end.insertText(tail.toString());
    end.endEditBlock();
    document.setUndoRedoEnabled(true);
  }
  if (from < 0) return;
  if (layout.documentSize() != size) {
    const std::optional<LastLine> measured = layout_->Measured(document.lastBlock());
    if (!measured || !FitScrollBar(*measured)) {
      emit layout.documentSizeChanged(layout.documentSize());
    }
  }
  if (from < viewport()->height()) {
    viewport()->update(0, std::max(0, from), viewport()->width(), viewport()->height());
  }
}

// The vertical scroll bar QPlainTextEdit sets for a one-block text, counted from the lines
// measured: its own adjustment lays all of the text out to find the lines that fit at the end.
bool ByteTextEdit::FitScrollBar(const LastLine& last) {
  QScrollBar& bar = *verticalScrollBar();
  if (!isVisible() || centerOnScroll() || bar.maximum() == 0 || last.height <= 0) return false;
  const qreal margin = document()->documentMargin();
  const int lines = last.before + 1;
  const qreal bottom = last.top + last.height + margin;
  const qreal visible = viewport()->rect().height() - margin - 1;
  int shown = lines;
  if (bottom > visible) {
    int first = 0;
    for (qreal top = 0; first < lines && top < bottom - visible; ++first) {
      top += last.height;
      if (last.overlap != 0) top += last.overlap;
    }
    shown = lines - first;
  }
  bar.setRange(0, lines - shown);
  bar.setPageStep(shown);
  return true;
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
