#include "app/shared_append_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>

#include "app/files.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tvx::app {

namespace {

constexpr char kFolder[] = "it is a folder, not a file";
constexpr char kNotRegular[] = "not a regular file";
// A path that names another file at every turn is no file to write to.
constexpr int kLockTurns = 100;

namespace fs = std::filesystem;

// Another writer holds the lock for one entry, a few milliseconds. One that holds it much
// longer is stopped (a debugger, Ctrl+Z): the entry is then written without the lock rather
// than the window freezing until it goes on.
enum class Try { kLocked, kBusy, kNoLocks };
bool TakeLock(const std::function<Try()>& try_lock) {
  constexpr auto kPatience = std::chrono::seconds(2);
  const auto until = std::chrono::steady_clock::now() + kPatience;
  for (Try tried = try_lock(); tried != Try::kLocked; tried = try_lock()) {
    if (tried == Try::kNoLocks || std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

fs::path PathOf(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

// Not even opened when it is no regular file: opening a serial device moves its modem lines.
std::string TypeRefusal(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(PathOf(path), ec);
  if (fs::is_directory(status)) return kFolder;
  if (status.type() != fs::file_type::not_found && !ec && !fs::is_regular_file(status))
    return kNotRegular;
  return {};
}

#ifdef _WIN32

HANDLE Native(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

std::string WindowsReason(DWORD error) {
  return std::system_category().message(static_cast<int>(error));
}

bool SameFile(HANDLE open, const std::string& path) {
  HANDLE there = CreateFileW(PathOf(path).wstring().c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (there == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  const bool same = GetFileInformationByHandle(open, &a) && GetFileInformationByHandle(there, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(there);
  return same;
}

// One byte far beyond any data: a lock on Windows also stops reads and writes of the bytes it
// covers, and readers of the journal must not meet it.
OVERLAPPED LockPlace() {
  OVERLAPPED place{};
  place.Offset = 0xFFFFFFFE;
  place.OffsetHigh = 0x7FFFFFFF;
  return place;
}

#else

void SyncDescriptor(int fd) {
#ifdef __linux__
  fdatasync(fd);
#else
  fsync(fd);
#endif
}

#endif

}  // namespace

bool SharedAppendFile::IsOpen() const {
  return fd_ >= 0;
}

#ifdef _WIN32

std::string SharedAppendFile::Open(const std::string& path) {
  Close();
  path_ = path;
  if (std::string why = TypeRefusal(path); !why.empty()) return why;
  // Others may rename it while it is open: that is how a second writer rotates it.
  HANDLE file = CreateFileW(PathOf(path).wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return WindowsReason(GetLastError());
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return kNotRegular;
  }
  fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
  if (fd_ < 0) {
    CloseHandle(file);
    return SystemReason(errno);
  }
  return {};
}

void SharedAppendFile::Close() {
  if (fd_ < 0) return;
  Unlock();
  _close(fd_);
  fd_ = -1;
}

std::string SharedAppendFile::Lock() {
  for (int turn = 0; turn < kLockTurns; ++turn) {
    if (fd_ < 0) {
      if (std::string why = Open(path_); !why.empty()) return why;
    }
    locked_ = TakeLock([this] {
      OVERLAPPED place = LockPlace();
      if (LockFileEx(Native(fd_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &place)) {
        return Try::kLocked;
      }
      return GetLastError() == ERROR_LOCK_VIOLATION ? Try::kBusy : Try::kNoLocks;
    });
    if (SameFile(Native(fd_), path_)) return {};
    Close();
  }
  return "it keeps being replaced";
}

void SharedAppendFile::Unlock() {
  if (!locked_) return;
  OVERLAPPED place = LockPlace();
  UnlockFileEx(Native(fd_), 0, 1, 0, &place);
  locked_ = false;
}

std::int64_t SharedAppendFile::Size() const {
  LARGE_INTEGER size{};
  return fd_ >= 0 && GetFileSizeEx(Native(fd_), &size) ? size.QuadPart : 0;
}

std::string SharedAppendFile::Append(std::string_view text) {
  HANDLE file = Native(fd_);
  LARGE_INTEGER start{};
  if (!GetFileSizeEx(file, &start)) return WindowsReason(GetLastError());
  std::string joined;
  if (start.QuadPart > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>((start.QuadPart - 1) & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>((start.QuadPart - 1) >> 32);
    char last = '\n';
    DWORD got = 0;
    if (ReadFile(file, &last, 1, &got, &at) && got == 1 && last != '\n') {
      joined = "\n" + std::string(text);
      text = joined;
    }
  }
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return WindowsReason(GetLastError());
  std::size_t done = 0;
  while (done < text.size()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
    DWORD wrote = 0;
    if (WriteFile(file, text.data() + done, chunk, &wrote, nullptr) && wrote > 0) {
      done += wrote;
      continue;
    }
    const DWORD error = GetLastError();
    std::string why = WindowsReason(error ? error : ERROR_DISK_FULL);
    // Half an entry would swallow the next one too.
    if (done > 0 && !(SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file)))
      why += "; part of it stays in the file";
    return why;
  }
  return {};
}

int SharedAppendFile::NewHandle() const {
  return fd_ >= 0 ? _dup(fd_) : -1;
}

void SharedAppendFile::SyncAndClose(int handle) {
  if (handle < 0) return;
  _commit(handle);
  _close(handle);
}

void SharedAppendFile::Sync() const {
  if (fd_ >= 0) _commit(fd_);
}

#else

std::string SharedAppendFile::Open(const std::string& path) {
  Close();
  path_ = path;
  if (std::string why = TypeRefusal(path); !why.empty()) return why;
  // Non-blocking while it opens: a pipe with no reader would hold the open forever. Readable,
  // to see whether the file ends in an unfinished line.
  constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
  if (fd < 0) {
    return errno == EISDIR ? kFolder : errno == ENXIO ? kNotRegular : SystemReason(errno);
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return kNotRegular;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  return {};
}

void SharedAppendFile::Close() {
  if (fd_ < 0) return;
  ::close(fd_);  // the lock goes with it
  fd_ = -1;
  locked_ = false;
}

std::string SharedAppendFile::Lock() {
  for (int turn = 0; turn < kLockTurns; ++turn) {
    if (fd_ < 0) {
      if (std::string why = Open(path_); !why.empty()) return why;
    }
    locked_ = TakeLock([this] {
      if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return Try::kLocked;
      return errno == EWOULDBLOCK || errno == EINTR ? Try::kBusy : Try::kNoLocks;
    });
    // Another writer may have rotated or removed the file while this one waited.
    struct stat open {
    }, there{};
    if (fstat(fd_, &open) == 0 && stat(path_.c_str(), &there) == 0 && open.st_dev == there.st_dev &&
        open.st_ino == there.st_ino) {
      return {};
    }
    Close();
  }
  return "it keeps being replaced";
}

void SharedAppendFile::Unlock() {
  if (!locked_) return;
  flock(fd_, LOCK_UN);
  locked_ = false;
}

std::int64_t SharedAppendFile::Size() const {
  struct stat info {};
  return fd_ >= 0 && fstat(fd_, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

std::string SharedAppendFile::Append(std::string_view text) {
  struct stat info {};
  if (fstat(fd_, &info) != 0) return SystemReason(errno);
  const off_t start = info.st_size;
  std::string joined;
  char last = '\n';
  if (start > 0 && pread(fd_, &last, 1, start - 1) == 1 && last != '\n') {
    joined = "\n" + std::string(text);
    text = joined;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(fd_, text.data() + done, text.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
      continue;
    }
    if (wrote < 0 && errno == EINTR) continue;
    std::string why = SystemReason(wrote < 0 ? errno : ENOSPC);
    // Half an entry would swallow the next one too.
    if (done > 0 && ftruncate(fd_, start) != 0) why += "; part of it stays in the file";
    return why;
  }
  return {};
}

int SharedAppendFile::NewHandle() const {
  return fd_ >= 0 ? dup(fd_) : -1;
}

void SharedAppendFile::SyncAndClose(int handle) {
  if (handle < 0) return;
  SyncDescriptor(handle);
  ::close(handle);
}

void SharedAppendFile::Sync() const {
  if (fd_ >= 0) SyncDescriptor(fd_);
}

#endif

}  // namespace tvx::app
