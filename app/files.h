#pragma once

#include <cstdint>
#include <ostream>
#include <string>

// The rules every file the program reads or writes follows, so that no command reads a device
// or a pipe forever, replaces a device node with a file, or reports success after a failed
// write. Messages name the file as Quoted shows it.
namespace tvx::app {

// A path as a message shows it: quoted, one printable line, control bytes and bytes that are not
// UTF-8 as display tokens, a long path cut at its start (the file's own name is what tells it
// apart).
std::string Quoted(const std::string& path);
// The same without quotes and whole: a name or other text given by a user, printed on a line of
// its own.
std::string PrintableName(const std::string& name);

// The system's reason for errno value error, as a user reads it.
std::string SystemReason(int error);

// Why path cannot be read as an input file; empty when it can: it exists, is a regular file (not
// a folder, device, pipe or socket; a link counts as what it points at) and holds at most
// max_bytes. For files read as a stream; ReadInputFile does the same checks and reads.
[[nodiscard]] std::string InputFileRefusal(const std::string& path, std::uintmax_t max_bytes);

struct [[nodiscard]] InputFile {
  std::string text;
  // Why the file was not read ("no such file", "it is a folder, not a file", "not a regular
  // file", "N bytes, more than M", a system reason); empty when text is the whole file.
  std::string refusal;
};

// The whole of a regular file of at most max_bytes, or why not.
InputFile ReadInputFile(const std::string& path, std::uintmax_t max_bytes);

// Why text cannot replace the file at path; empty when it did. The file is written beside it,
// synced and renamed over it, so it is replaced whole or not at all; on a refusal the file that
// was there is left as it was. A path that exists and is not a regular file (a device, a pipe, a
// folder) is refused; a link is written through to the file it names; an existing file keeps
// its permissions.
[[nodiscard]] std::string SaveFileWhole(const std::string& path, const std::string& text);

// Why SaveFileWhole would refuse path before writing a byte, or that its folder does not
// exist; empty when a save may go ahead. For a file written at the end of a long run, checked
// at its start.
std::string SaveFileRefusal(const std::string& path);

// Flushes out and says why what was written to it did not all arrive (a full disk, a closed
// pipe); empty when it did.
[[nodiscard]] std::string OutputFailure(std::ostream& out);

// Holds the place of a closed standard input, output or error. The system hands out the lowest
// free descriptor, so the first file, port or event descriptor opened would otherwise become
// "standard output" and take what the program prints. The holder fails every use as the closed
// descriptor did (Bad file descriptor), so a command still reports its output as not written.
// First thing in main(), before anything opens a file.
void HoldClosedStandardStreams();

// Flushes and closes the process's standard output (std::cout and stdout): the reason it failed,
// or empty. After it, nothing more is written to standard output.
[[nodiscard]] std::string FinishStandardOutput();

}  // namespace tvx::app
