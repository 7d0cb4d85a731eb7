#include "app/journal_mark.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <utility>

#include "app/journal_file.h"

namespace tvx::app {

namespace {

// An entry's line is unique (its time is to the millisecond); a grid's takes some 20 KB.
constexpr std::size_t kHeadBytes = 1 << 20;

// The file's size and its first line (up to `bytes`); size -1 when it cannot be read. Read
// a piece at a time: the window takes the mark before it first shows, and a buffer of the
// whole limit (zeroed, then filled) cost milliseconds of its start.
std::int64_t ReadHead(const std::string& path, std::size_t bytes, std::string& head) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return -1;
  const std::int64_t size = in.tellg();
  in.seekg(0);
  head.clear();
  constexpr std::size_t kPiece = 4096;
  char piece[kPiece];
  while (head.size() < bytes) {
    const std::size_t want = std::min(kPiece, bytes - head.size());
    in.read(piece, static_cast<std::streamsize>(want));
    const auto got = static_cast<std::size_t>(in.gcount());
    const std::string_view read(piece, got);
    if (const auto end = read.find('\n'); end != std::string_view::npos) {
      head.append(read.substr(0, end + 1));
      break;
    }
    head.append(read);
    if (got < want) break;
  }
  return size;
}

}  // namespace

JournalMark::JournalMark(std::string path) : path_(std::move(path)) {
  size_ = std::max<std::int64_t>(0, ReadHead(path_, kHeadBytes, head_));
}

std::vector<console::JournalEntry> JournalMark::EntriesBefore(std::size_t count) const {
  if (size_ == 0 || count == 0) return {};
  // Rotation renames the file to FILE.1, FILE.1 to FILE.2 and so on.
  for (int k = 0; k < JournalFile::kKeptFiles; ++k) {
    const std::string file = k == 0 ? path_ : path_ + "." + std::to_string(k);
    std::string head;
    if (ReadHead(file, head_.size(), head) >= size_ && head == head_) {
      return ReadJournalTail(file, count, size_);
    }
  }
  return {};
}

}  // namespace tvx::app
