#pragma once

#include <functional>
#include <string>

namespace tvx::app {

// Reads a script by lines from a file or from standard input (path empty), as the bytes come:
// line(text) for each line, then done(error) once: error is empty at the end of the script,
// or says why it could not be read (a directory, a failing disk). Blocks while reading.
void ReadScriptLines(const std::string& path, const std::function<void(std::string)>& line,
                     const std::function<void(std::string)>& done);

}  // namespace tvx::app
