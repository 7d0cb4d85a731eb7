#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tvx::app {

// Model texts are bytes (Latin-1) with "\r\n" line breaks. A multi-line box keeps each line
// break as one paragraph separator (QTextDocument's raw text), so positions differ there.
QString ShownText(std::string_view bytes, bool multi_line);
std::string ModelText(const QString& shown, bool multi_line);
int ShownPosition(std::string_view bytes, int caret, bool multi_line);
int ModelPosition(std::string_view bytes, int shown_position, bool multi_line);

// Every character fits in one byte of the link.
bool IsLatin1(QStringView text);
// Line breaks count two characters, as in the model.
int ModelLength(QStringView shown);
bool IsLineBreak(QChar c);

}  // namespace tvx::app
