#pragma once

#include <memory>
#include <string>

#include "app/journal_file.h"
#include "console/journal.h"

namespace tvx::app {

class ArgReader;
class LiveConsole;

// --journal FILE and --no-journal, shared by the window, --headless and send.
struct JournalOptions {
  bool off = false;
  std::string file;  // empty: the user's journal
  std::string Path() const { return file.empty() ? DefaultJournalPath() : file; }
};

// Takes --journal FILE or --no-journal at the reader's argument: true when it was one of them,
// with error set when it lacks its file.
bool TakeJournalOption(ArgReader& r, JournalOptions& options, std::string& error);

// A journal on the wall clock whose entries go to their file as they end. A file that cannot
// be written is reported through warn and journaling goes on in memory: sending never stops
// for it.
class JournalRecorder {
 public:
  JournalRecorder(const JournalOptions& options, console::Journal::LinkWords destination,
                  console::Journal::LinkWords write_error, JournalFile::Warn warn);
  // The console's journal: every piece it writes, with its links' names and errors.
  JournalRecorder(LiveConsole& live, const JournalOptions& options, JournalFile::Warn warn);
  // An entry still open (a grid going out at the end) is ended and written.
  ~JournalRecorder();
  JournalRecorder(const JournalRecorder&) = delete;
  JournalRecorder& operator=(const JournalRecorder&) = delete;

  console::Journal& Journal() { return journal_; }
  // The file written, or nullptr under --no-journal.
  const JournalFile* File() const { return file_.get(); }

 private:
  console::Journal journal_;
  std::unique_ptr<JournalFile> file_;
  LiveConsole* live_ = nullptr;
};

// What a program stopped by signal says of the entry its stop ended: "stopped by SIGTERM: 37
// of the andon grid's 120 cells went out"; an entry without packets is "nothing was sent";
// none at all, just "stopped by SIGTERM".
std::string StopReport(int signal, const console::JournalEntry* ended);

}  // namespace tvx::app
