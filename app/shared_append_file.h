#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tvx::app {

// A file several processes append to at once: the window and `tvxorm send` on one journal.
// Writers take turns under an advisory lock on the file at the path, so what one decides from
// the file's size (to rotate it) still holds when it writes, and a writer whose file another
// one renamed away goes on with the file now at the path. A failed append is cut off again:
// the file never keeps half of what was written.
class SharedAppendFile {
 public:
  SharedAppendFile() = default;
  ~SharedAppendFile() { Close(); }
  SharedAppendFile(const SharedAppendFile&) = delete;
  SharedAppendFile& operator=(const SharedAppendFile&) = delete;

  // Opens path to append, creating it; why not. Only a regular file is opened: a pipe would
  // hold the writer forever, a device would be written to.
  std::string Open(const std::string& path);
  void Close();
  bool IsOpen() const;

  // Takes the lock, first opening the file now at the path when the open one was renamed or
  // removed; why not. Where the system has no such locks, writers go on without one.
  std::string Lock();
  void Unlock();

  // The locked file's size in bytes.
  std::int64_t Size() const;
  // Writes text at the end of the locked file; the system's reason when not all of it went.
  // Text that follows an unfinished last line starts a line of its own.
  std::string Append(std::string_view text);

  // A handle of its own on the file, so that the disk can be waited for while the file is
  // rotated or closed meanwhile; -1 when none is open. SyncAndClose takes it back.
  int NewHandle() const;
  static void SyncAndClose(int handle);
  // Asks the disk to keep what was written to the open file.
  void Sync() const;

 private:
  std::string path_;
  int fd_ = -1;
  bool locked_ = false;
};

}  // namespace tvx::app
