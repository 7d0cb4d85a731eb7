#include "app/script_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string_view>

#include "app/files.h"

#ifdef _WIN32
#include <io.h>
#define TVX_READ _read
#define TVX_OPEN _open
#define TVX_CLOSE _close
#define TVX_BINARY _O_BINARY
#else
#include <unistd.h>
#define TVX_READ ::read
#define TVX_OPEN ::open
#define TVX_CLOSE ::close
#define TVX_BINARY 0
#endif

namespace tvx::app {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsFolder(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

}  // namespace

void ReadScriptLines(const std::string& path, const std::function<void(std::string)>& line,
                     const std::function<void(std::string)>& done) {
  // A device or a pipe given as the script could be read forever, or never answer; standard
  // input may be either, and is bounded by its lines.
  if (!path.empty()) {
    if (std::string why = InputFileRefusal(path, kMaxScriptBytes); !why.empty()) {
      done(why);
      return;
    }
  }
  const int fd = path.empty() ? 0 : TVX_OPEN(path.c_str(), O_RDONLY | TVX_BINARY);
  if (fd < 0) {
    done(SystemReason(errno));
    return;
  }
  std::string error = IsFolder(fd) ? "it is a folder, not a file" : "";
  std::string pending;
  bool first = true;
  std::size_t count = 0;
  char buffer[4096];
  while (error.empty()) {
    const auto n = TVX_READ(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = SystemReason(errno);
      break;
    }
    if (n == 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    if (first) {
      // Perhaps the start of a mark: wait for the rest.
      if (pending.size() < kByteOrderMark.size() && kByteOrderMark.starts_with(pending)) continue;
      if (pending.starts_with(kByteOrderMark)) pending.erase(0, kByteOrderMark.size());
      first = false;
    }
    std::size_t from = 0;
    for (auto end = pending.find('\n');
         end != std::string::npos && end - from <= kMaxScriptLineBytes;
         end = pending.find('\n', from)) {
      ++count;
      line(pending.substr(from, end - from));
      from = end + 1;
    }
    pending.erase(0, from);
    const auto end = pending.find('\n');
    if ((end == std::string::npos ? pending.size() : end) > kMaxScriptLineBytes) {
      error = "line " + std::to_string(count + 1) + " is longer than the " +
              std::to_string(kMaxScriptLineBytes) + " bytes a line may have";
    }
  }
  if (error.empty() && !pending.empty()) line(pending);
  if (!path.empty()) TVX_CLOSE(fd);
  done(error);
}

}  // namespace tvx::app
