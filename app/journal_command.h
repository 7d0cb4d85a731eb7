#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "console/journal.h"

namespace tvx::app {

// `tvxorm journal [FILE] [--since TIME] [--command CODE] [--address GGUU] [--csv]`, given the
// arguments after "journal": the entries, oldest first, as readable lines or CSV. Without
// FILE, the user's journal with its rotated files. Returns 0, or 2 for bad usage or a file
// that cannot be read.
int RunJournal(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "written", "not written: why", with "sent again" and an andon grid's tally where they apply.
std::string OutcomeText(const console::JournalEntry& entry);
// The readable form of one entry: a heading line, then each packet's token text indented.
std::string ReadableEntry(const console::JournalEntry& entry);

}  // namespace tvx::app
