#include "app/view/box_text.h"

#include <algorithm>

namespace tvx::app {

namespace {

// Length of the line break starting at i (0 when there is none): "\r\n", "\r" or "\n".
std::size_t BreakAt(std::string_view bytes, std::size_t i) {
  if (bytes[i] == '\r') return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
  return bytes[i] == '\n' ? 1 : 0;
}

}  // namespace

bool IsLineBreak(QChar c) {
  return c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n' || c == u'\r';
}

QString ShownText(std::string_view bytes, bool multi_line) {
  if (!multi_line) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString shown;
  shown.reserve(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size();) {
    if (const std::size_t n = BreakAt(bytes, i)) {
      shown += QChar::ParagraphSeparator;
      i += n;
    } else {
      shown += QChar(static_cast<unsigned char>(bytes[i++]));
    }
  }
  return shown;
}

std::string ModelText(const QString& shown, bool multi_line) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(shown.size()));
  for (QChar c : shown) {
    if (multi_line && IsLineBreak(c)) {
      bytes += "\r\n";
    } else if (c.unicode() <= 0xFF) {
      bytes += static_cast<char>(c.unicode());
    }
  }
  return bytes;
}

int ShownPosition(std::string_view bytes, int caret, bool multi_line) {
  const auto end = static_cast<std::size_t>(std::clamp(caret, 0, static_cast<int>(bytes.size())));
  if (!multi_line) return static_cast<int>(end);
  int position = 0;
  for (std::size_t i = 0; i < end; ++position) i += std::max<std::size_t>(1, BreakAt(bytes, i));
  return position;
}

int ModelPosition(std::string_view bytes, int shown_position, bool multi_line) {
  if (!multi_line) return std::clamp(shown_position, 0, static_cast<int>(bytes.size()));
  std::size_t i = 0;
  for (int position = 0; position < shown_position && i < bytes.size(); ++position) {
    i += std::max<std::size_t>(1, BreakAt(bytes, i));
  }
  return static_cast<int>(i);
}

bool IsLatin1(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

int ModelLength(QStringView shown) {
  return static_cast<int>(shown.size() + std::count_if(shown.begin(), shown.end(), IsLineBreak));
}

}  // namespace tvx::app
