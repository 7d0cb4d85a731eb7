#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/journal.h"

namespace tvx::app {

// Where a journal stood at a moment, so that what it held then can be read later: the window
// lists the journal's last entries only when its panel is first shown, and by then this run
// may have added entries (listed already) or rotated the file away under another name.
class JournalMark {
 public:
  // Notes the file's size and first line now; a file that is not there held nothing.
  explicit JournalMark(std::string path);

  // The last count entries the journal held at the mark, read from whichever of its files
  // holds them now. None when that file is gone (rotated out, removed, replaced).
  std::vector<console::JournalEntry> EntriesBefore(std::size_t count) const;

 private:
  std::string path_;
  std::int64_t size_ = 0;
  std::string head_;  // the file's first line: no other file starts with that entry
};

}  // namespace tvx::app
