#include "app/gateway/queue_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/files.h"

namespace tvx::app {

namespace {

constexpr char kFileName[] = "queue.jsonl";
constexpr std::size_t kCompactFrom = 1 << 20;

std::string Errno() {
  return std::strerror(errno);
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::variant<std::string, int> ReadAll(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::variant<std::string, int>(std::string()) : errno;
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int e = errno;
      ::close(fd);
      return e;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".")
                                    : path.substr(0, std::max<std::size_t>(slash, 1));
}

}  // namespace

std::variant<std::unique_ptr<QueueFile>, std::string> QueueFile::Open(const std::string& dir,
                                                                      std::int64_t now_utc_ms) {
  const std::string lock_path = dir + "/gateway.lock";
  const int lock_fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd < 0) return "cannot open " + Quoted(lock_path) + ": " + Errno();
  if (::flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock_fd);
    return "another gateway is using the state folder " + Quoted(dir) +
           "; one gateway per state folder (give each its own --state-dir)";
  }
  const std::string path = dir + "/" + kFileName;
  auto text = ReadAll(path);
  if (const int* e = std::get_if<int>(&text)) {
    ::close(lock_fd);
    return "cannot read the queue " + Quoted(path) + ": " + std::strerror(*e);
  }
  auto log = tvx::gateway::QueueLog::Read(std::get<std::string>(text), now_utc_ms);
  if (const std::string* why = std::get_if<std::string>(&log)) {
    ::close(lock_fd);
    return "cannot use the queue " + Quoted(path) + ": " + *why;
  }
  std::unique_ptr<QueueFile> file(
      new QueueFile(path, lock_fd, std::get<tvx::gateway::QueueLog>(std::move(log))));
  const std::lock_guard lock(file->mutex_);
  if (!file->Compact()) return "cannot write the queue " + Quoted(path) + ": " + Errno();
  return file;
}

QueueFile::QueueFile(std::string path, int lock_fd, tvx::gateway::QueueLog log)
    : path_(std::move(path)), lock_fd_(lock_fd), log_(std::move(log)) {}

QueueFile::~QueueFile() {
  Settle();
  if (fd_ >= 0) ::close(fd_);
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

bool QueueFile::Keep(tvx::gateway::MqttMessage& message, std::int64_t received_utc_ms) {
  const std::lock_guard lock(mutex_);
  // Written at once, so a killed gateway has it (Paho acknowledged it before this callback);
  // the sync, against a power cut, waits for the gateway's next one.
  if (!Append(log_.Request(received_utc_ms, message), false)) return false;
  unsynced_ = true;
  return true;
}

void QueueFile::Settle() {
  const std::lock_guard lock(mutex_);
  if (!unsynced_ || fd_ < 0) return;
  if (::fdatasync(fd_) != 0) {
    if (!failing_) Warn("cannot write the queue " + Quoted(path_) + ": " + Errno());
    failing_ = true;
    return;
  }
  unsynced_ = false;
}

void QueueFile::Writing(std::uint64_t seq, std::size_t unit, std::size_t bytes_before) {
  const std::lock_guard lock(mutex_);
  (void)Append(log_.Writing(seq, unit, bytes_before));
}

void QueueFile::Answered(std::uint64_t seq, const std::optional<std::string>& keep_id,
                         const std::string& answer, std::int64_t at_utc_ms) {
  const std::lock_guard lock(mutex_);
  (void)Append(log_.Answered(seq, keep_id, answer, at_utc_ms));
  if (size_ > std::max(kCompactFrom, 2 * compacted_) && !Compact())
    Warn("cannot compact the queue " + Quoted(path_) + ": " + Errno());
}

void QueueFile::Delivered(std::uint64_t seq) {
  const std::lock_guard lock(mutex_);
  (void)Append(log_.Delivered(seq), false);
}

bool QueueFile::Append(const std::string& line, bool sync) {
  // A record cut short by a crash is skipped at the next start; one cut short by a full disk
  // is cut off here, so that the next record starts on a line of its own.
  if (fd_ < 0 || !WriteAll(fd_, line) || (sync && ::fdatasync(fd_) != 0)) {
    const std::string why = Errno();
    if (fd_ >= 0) (void)::ftruncate(fd_, static_cast<off_t>(size_));
    if (!failing_) Warn("cannot write the queue " + Quoted(path_) + ": " + why);
    failing_ = true;
    return false;
  }
  if (failing_) Warn("the queue " + Quoted(path_) + " can be written again");
  failing_ = false;
  if (sync) unsynced_ = false;
  size_ += line.size();
  return true;
}

bool QueueFile::Compact() {
  const std::string text = log_.Compacted();
  const std::string temporary = path_ + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (!WriteAll(fd, text) || ::fsync(fd) != 0 || ::rename(temporary.c_str(), path_.c_str()) != 0) {
    const int e = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    errno = e;
    return false;
  }
  const int folder = ::open(Folder(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);  // the rename itself survives a power cut
    ::close(folder);
  }
  if (fd_ >= 0) ::close(fd_);
  ::close(fd);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  size_ = compacted_ = text.size();
  return fd_ >= 0;
}

void QueueFile::Warn(const std::string& text) {
  if (warn_) warn_(text);
}

}  // namespace tvx::app
