#pragma once

#include <QPlainTextEdit>
#include <QValidator>

namespace tvx::app {

class AppendingLayout;
struct LastLine;

// The link carries one byte per character: a box admits only characters 0 to 255.
class Latin1Validator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

// A multi-line box with the same rules as a line box: one-byte characters only, and a
// character limit counted as the console counts it (a line break is two characters).
class ByteTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit ByteTextEdit(QWidget* parent = nullptr);

  int MaxLength() const { return max_length_; }
  void SetMaxLength(int max_length) { max_length_ = max_length; }
  // The program's write of text that extends the shown text (an andon grid's packets piling
  // up): only the lines from the old last one down are drawn again, none when out of sight.
  // As after setPlainText, nothing the operator could undo.
  void Append(QStringView tail);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  // Lines break where they did, cheaper for a text that is one long word.
  void FitWrap();
  // The scroll bar for a text measured from its last line; false where Qt must set it.
  bool FitScrollBar(const LastLine& last);
  // What may still go in, replacing the selection.
  int Room() const;
  // The part of text that may go in: other characters dropped, cut to the room left.
  QString Fit(const QString& text) const;

  int max_length_ = 0;  // 0: none
  AppendingLayout* layout_;
};

// A line or multi-line box's caret as the console counts it: the start of the selection.
int BoxCaret(const QWidget* box);
// The text a line or multi-line box holds, line breaks as paragraph separators.
QString BoxText(const QWidget* box);

}  // namespace tvx::app
