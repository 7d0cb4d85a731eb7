#include "app/files.h"

#include <QSaveFile>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "protocol/printable_text.h"

namespace tvx::app {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxNameCharacters = 80;

}  // namespace

fs::path PathOf(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string NameRefusal(const std::string& path) {
  if (path.empty()) return "no file name";
  if (path.find('\0') != std::string::npos) return "a file name cannot hold a NUL byte";
  return {};
}

std::string Quoted(const std::string& path) {
  const auto characters = protocol::PrintableCharacters(path);
  const std::size_t from =
      characters.size() > kMaxNameCharacters ? characters.size() - kMaxNameCharacters : 0;
  std::string out = from ? "'..." : "'";
  for (std::size_t i = from; i < characters.size(); ++i) out += characters[i];
  return out + "'";
}

std::string PrintableName(const std::string& name) {
  std::string out;
  for (const std::string& character : protocol::PrintableCharacters(name)) out += character;
  return out;
}

std::string SystemReason(int error) {
  return error ? std::generic_category().message(error) : std::string("unknown cause");
}

std::string InputFileRefusal(const std::string& path, std::uintmax_t max_bytes,
                             std::string_view too_large) {
  if (std::string why = NameRefusal(path); !why.empty()) return why;
  const fs::path file = PathOf(path);
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return "no such file";
  if (ec) return "cannot read it (" + ec.message() + ")";
  if (fs::is_directory(status)) return "it is a folder, not a file";
  // A device or a pipe could be read forever, or never answer.
  if (!fs::is_regular_file(status)) return "not a regular file";
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) return "cannot read it (" + ec.message() + ")";
  if (size > max_bytes) {
    if (!too_large.empty()) return std::to_string(size) + " bytes, " + std::string(too_large);
    return std::to_string(size) + " bytes, more than the " + std::to_string(max_bytes) +
           " such a file may have";
  }
  return {};
}

InputFile ReadInputFile(const std::string& path, std::uintmax_t max_bytes,
                        std::string_view too_large) {
  if (std::string why = InputFileRefusal(path, max_bytes, too_large); !why.empty()) {
    return {{}, why};
  }
  errno = 0;
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return {{}, "cannot read it (" + SystemReason(errno) + ")"};
  // Bounded even when the file grew after the check.
  std::string text(static_cast<std::size_t>(max_bytes) + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return {{}, "it could not be read to its end"};
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > max_bytes) {
    if (!too_large.empty()) return {{}, std::string(too_large)};
    return {{}, "more than the " + std::to_string(max_bytes) + " bytes such a file may have"};
  }
  return {std::move(text), {}};
}

namespace {

// The file a save to path replaces, or why path cannot take one.
std::string SaveTarget(const std::string& path, fs::path& target) {
  if (std::string why = NameRefusal(path); !why.empty()) return why;
  target = PathOf(path);
  std::error_code ec;
  // A link is written through, as an editor would: the file it names takes the text.
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    target = fs::weakly_canonical(target, ec);
    if (ec) return "cannot follow the link (" + ec.message() + ")";
  }
  const fs::file_status status = fs::status(target, ec);
  const bool exists = status.type() != fs::file_type::not_found;
  if (ec && exists) return "cannot write it (" + ec.message() + ")";
  if (fs::is_directory(status)) return "it is a folder, not a file";
  // Renaming over a device or a pipe would replace it, not write to it.
  if (exists && !fs::is_regular_file(status)) return "not a regular file";
  if (exists) {
    // A file the user may not write stays as it is, although its folder would let a rename
    // replace it. Opening to append changes nothing.
    errno = 0;
    if (!std::ofstream(target, std::ios::binary | std::ios::app)) {
      return "cannot write it (" + SystemReason(errno) + ")";
    }
  }
  return {};
}

}  // namespace

std::string SaveFileRefusal(const std::string& path) {
  fs::path target;
  if (std::string why = SaveTarget(path, target); !why.empty()) return why;
  std::error_code ec;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) return "its folder does not exist";
  return {};
}

std::string SaveFileWhole(const std::string& path, const std::string& text) {
  fs::path target;
  if (std::string why = SaveTarget(path, target); !why.empty()) return why;
  // Written beside it, synced and renamed over it: a failed write never leaves half a file in
  // place of the one that was there.
  QSaveFile file(QString::fromStdU16String(target.u16string()));
  if (!file.open(QIODevice::WriteOnly)) {
    return "cannot write it (" + file.errorString().toStdString() + ")";
  }
  const auto size = static_cast<qint64>(text.size());
  // The flush is checked on its own: Qt 6.4's commit renames even when the flush of its
  // buffer failed (a full disk), leaving an empty file in place of the old one.
  errno = 0;
  if (file.write(text.data(), size) != size || !file.flush() || !file.commit()) {
    // Qt words some failures "Unknown error" (a file size limit): the system says better.
    const int error = errno;
    const std::string why = error ? SystemReason(error) : file.errorString().toStdString();
    file.cancelWriting();
    return "cannot write it (" + why + ")";
  }
  return {};
}

void HoldClosedStandardStreams() {
#ifndef _WIN32
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Opened the other way round: reading standard input or writing the others still fails.
    const int held = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) close(held);  // fd was taken meanwhile: nothing to hold
  }
#endif
}

std::string OutputFailure(std::ostream& out) {
  errno = 0;
  out.flush();
  if (out) return {};
  return SystemReason(errno);
}

std::string FinishStandardOutput() {
  std::string why = OutputFailure(std::cout);
  errno = 0;
  if (std::fflush(stdout) != 0 && why.empty()) why = SystemReason(errno);
  errno = 0;
  if (std::fclose(stdout) != 0 && why.empty()) why = SystemReason(errno);
  return why;
}

}  // namespace tvx::app
