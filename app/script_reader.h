#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tvx::app {

// Far beyond any script a person or a program writes; a larger file is not read into memory.
inline constexpr std::uintmax_t kMaxScriptBytes = 16 << 20;
// No line runs longer (the longest text a box takes, or a file name, is far shorter): a longer
// one means the input is no script, such as a device that never ends a line.
inline constexpr std::size_t kMaxScriptLineBytes = 64 << 10;

// Reads a script by lines from a file or from standard input (path empty), as the bytes come:
// line(text) for each line, then done(error) once: error is empty at the end of the script,
// or says why it could not be read (a folder, a device or a pipe as the file, a failing disk, a
// line too long). A byte-order mark before the first line is no part of it. Blocks while
// reading.
void ReadScriptLines(const std::string& path, const std::function<void(std::string)>& line,
                     const std::function<void(std::string)>& done);

}  // namespace tvx::app
