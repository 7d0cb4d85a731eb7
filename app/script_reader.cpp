#include "app/script_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>

#ifdef _WIN32
#include <io.h>
#define TVX_READ _read
#define TVX_OPEN _open
#define TVX_CLOSE _close
#else
#include <unistd.h>
#define TVX_READ ::read
#define TVX_OPEN ::open
#define TVX_CLOSE ::close
#endif

namespace tvx::app {

namespace {

std::optional<std::string> NotAFile(int fd) {
  struct stat info {};
  if (fstat(fd, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR)
    return std::string(std::strerror(EISDIR));
  return std::nullopt;
}

}  // namespace

void ReadScriptLines(const std::string& path, const std::function<void(std::string)>& line,
                     const std::function<void(std::string)>& done) {
  const int fd = path.empty() ? 0 : TVX_OPEN(path.c_str(), O_RDONLY);
  if (fd < 0) {
    done(std::strerror(errno));
    return;
  }
  std::string error = NotAFile(fd).value_or("");
  std::string pending;
  char buffer[4096];
  while (error.empty()) {
    const auto n = TVX_READ(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      break;
    }
    if (n == 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      line(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
  }
  if (error.empty() && !pending.empty()) line(pending);
  if (!path.empty()) TVX_CLOSE(fd);
  done(error);
}

}  // namespace tvx::app
