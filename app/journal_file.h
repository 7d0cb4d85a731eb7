#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/shared_append_file.h"
#include "console/journal.h"

// The journal on disk: JSON Lines, one entry a line, appended and flushed entry by entry.
//
//   {"time":"2026-12-08T09:14:03.123+01:00","utc":"2026-12-08T08:14:03.123Z",
//    "link":"serial","destination":"Comm 2 = /dev/ttyUSB0","command":"NUM","address":"0102",
//    "tokens":"<02>0102<1B>NUM1234N1A<04>","hex":"02 30 31 ...","bytes":17,
//    "outcome":"written","error":"","status":"The 'Number ' command has been sent ...",
//    "resend":false,"packets":[{"command":"NUM","address":"0102","tokens":"...","hex":"..."}],
//    "andon":{"sent":4,"set":4,"completed":true}}          (andon: grid transmissions only)
//
// "outcome" is "written" or "not written"; "error" says why not. At 10 MB the file is
// rotated: FILE.1 is the one before, up to FILE.4.
namespace tvx::app {

// The user's state directory's journal: ~/.local/state/tvxorm/journal.jsonl on Linux.
std::string DefaultJournalPath();
// The program's own state folder: $XDG_STATE_HOME/tvxorm (~/.local/state/tvxorm) on Linux.
std::string StateDirectory();

std::string JournalLine(const console::JournalEntry& entry);
[[nodiscard]] std::optional<console::JournalEntry> ParseJournalLine(std::string_view line);

// "2026-12-08T09:14:03.123+01:00" and "2026-12-08T08:14:03.123Z".
std::string LocalTimeText(const console::JournalTime& time);
std::string UtcTimeText(const console::JournalTime& time);
// The clock of a live journal.
console::JournalTime JournalNow();

// A journal's files, oldest first: FILE.4 ... FILE.1, FILE, those that exist.
std::vector<std::string> JournalFiles(const std::string& path);

// Appends entries. The bytes reach the system at every entry, so a crash of the program
// loses none; a background thread then asks the disk to keep them, so a power loss loses none
// either, without the user-interface thread waiting for the disk. Other programs may append
// to the same file at once (the window and send): each entry and each rotation is made under
// the file's lock, from the size of the file at the path.
class JournalFile {
 public:
  static constexpr std::int64_t kRotateBytes = 10 * 1024 * 1024;
  static constexpr int kKeptFiles = 5;  // FILE and FILE.1 to FILE.4

  // Told once each time writing starts failing: the file cannot be opened, the disk is full,
  // the directory went away.
  using Warn = std::function<void(const std::string&)>;

  JournalFile(std::string path, Warn warn, std::int64_t rotate_bytes = kRotateBytes);
  ~JournalFile();
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  // Opens (creating the directory); false, with the warning given, when it cannot.
  bool Open();
  // False when the entry could not be written; the next entry tries again.
  bool Append(const console::JournalEntry& entry);
  const std::string& Path() const { return path_; }
  // Syncs the file at most once per spacing (default: after each entry); a clean stop syncs
  // what is left.
  void SyncAtMostEvery(std::chrono::milliseconds spacing);

 private:
  std::string OpenLocked();
  std::string LockAtPath();
  bool Rotate();
  void Failed(const std::string& why);
  void SyncLoop();

  std::string path_;
  Warn warn_;
  std::int64_t rotate_bytes_;
  SharedAppendFile file_;
  bool failing_ = false;
  std::mutex mutex_;  // the file between this thread and the sync thread
  std::condition_variable wake_;
  bool dirty_ = false;
  bool stop_ = false;
  std::chrono::milliseconds sync_spacing_{0};
  std::thread sync_;
};

// Calls take for each entry of the files, oldest first; false from take stops the reading.
// Lines that are no entry (a torn last line after a power loss) are counted, not taken.
void ReadJournal(const std::vector<std::string>& files,
                 const std::function<bool(console::JournalEntry&&)>& take, int* bad_lines);
// The last count entries of a journal's file; with end, of its first end bytes.
std::vector<console::JournalEntry> ReadJournalTail(const std::string& path, std::size_t count,
                                                   std::int64_t end = -1);

}  // namespace tvx::app
