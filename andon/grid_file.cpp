#include "andon/grid_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "andon/grid.h"
#include "protocol/printable_text.h"
#include "window/operator_events.h"

namespace tvx::andon {

namespace fs = std::filesystem;

namespace {

// A name or a parser's complaint can hold anything the file or the operator put there: in a
// message it is one printable line of bounded length, control bytes and bytes that are not
// UTF-8 as display tokens.
constexpr std::size_t kMaxNameCharacters = 80;
constexpr std::size_t kMaxReasonCharacters = 200;

std::string Joined(const std::vector<std::string>& characters, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) out += characters[i];
  return out;
}

// A long path keeps its end: the file's own name is what tells it apart.
std::string Quoted(const std::string& path) {
  const auto characters = protocol::PrintableCharacters(path);
  if (characters.size() <= kMaxNameCharacters)
    return "'" + Joined(characters, 0, characters.size()) + "'";
  return "'..." + Joined(characters, characters.size() - kMaxNameCharacters, characters.size()) +
         "'";
}

std::string Shown(const std::string& reason) {
  const auto characters = protocol::PrintableCharacters(reason);
  if (characters.size() <= kMaxReasonCharacters) return Joined(characters, 0, characters.size());
  return Joined(characters, 0, kMaxReasonCharacters) + "...";
}

std::string SystemReason(int error) {
  return error ? std::generic_category().message(error) : std::string("unknown cause");
}

// Names in this program are UTF-8 (the window's) or the script's bytes.
fs::path PathOf(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

// Why a name cannot be used; empty when it can. The system would see a name only up to a NUL
// byte: another file than the one named.
std::string NameRefusal(const std::string& path) {
  if (path.empty()) return "no file name";
  if (path.find('\0') != std::string::npos) return "a file name cannot hold a NUL byte";
  return {};
}

GridFileOutcome NotSaved(const std::string& path, const std::string& why) {
  return {false, "Grid not saved to " + Quoted(path) + ": " + why};
}

GridFileOutcome NotLoaded(const std::string& path, const std::string& why) {
  return {false, "Grid not loaded from " + Quoted(path) + ": " + why};
}

constexpr char kNotInAc1[] =
    "Grid not loaded: the AC1 section (Andon Cell Commands) is not the one shown";
constexpr char kGoingOut[] =
    "Grid not loaded: an andon grid is going out; load once its transmission has ended";

// The whole file, or why it cannot be had.
struct FileText {
  std::string text;
  std::string refusal;
};

FileText ReadWhole(const std::string& path) {
  const fs::path file = PathOf(path);
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return {{}, "no such file"};
  if (ec) return {{}, "cannot read it (" + ec.message() + ")"};
  if (fs::is_directory(status)) return {{}, "it is a folder, not a file"};
  // A device or a pipe could be read forever.
  if (!fs::is_regular_file(status)) return {{}, "not a regular file"};
  const std::uintmax_t size = fs::file_size(file, ec);
  if (!ec && size > kMaxGridFileBytes) {
    return {{}, std::to_string(size) + " bytes, far too large for an andon grid file"};
  }
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) return {{}, "cannot read it (" + SystemReason(errno) + ")"};
  std::string text(static_cast<std::size_t>(kMaxGridFileBytes) + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return {{}, "it could not be read to its end"};
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxGridFileBytes) return {{}, "far too large for an andon grid file"};
  return {std::move(text), {}};
}

}  // namespace

bool GridInUse(const window::FrmMain& w) {
  if (!w.flags.AndonFlag) return false;
  for (int n = 1; n <= protocol::kAndonRows; ++n) {
    for (int i = 1; i <= protocol::kAndonColumns; ++i) {
      if (!w.AndonRow(n)(i)->Reachable()) return false;
    }
  }
  for (const window::Control* picker : PickerButtons(w)) {
    if (!picker->Reachable()) return false;
  }
  return true;
}

bool GridGoingOut(const window::FrmMain& w) {
  return w.flags.AndonFlag && w.SendArmed() && w.Timer1->Enabled();
}

std::string LoadRefusal(const window::FrmMain& w) {
  // A click on a hidden cell does nothing: a load there would silently not happen.
  if (!GridInUse(w)) return kNotInAc1;
  // The transmission reads each cell as it reaches it: a grid changed under it would go out
  // half old, half new.
  if (GridGoingOut(w)) return kGoingOut;
  return {};
}

GridFileOutcome SaveGridFile(const window::FrmMain& w, const std::string& path) {
  if (const std::string why = NameRefusal(path); !why.empty()) {
    return {false, "Grid not saved: " + why};
  }
  std::ostringstream text;
  WriteLayout(ReadLayout(w), text);

  fs::path target = PathOf(path);
  std::error_code ec;
  // A link is written through, as an editor would: the file it names takes the grid.
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    target = fs::canonical(target, ec);
    if (ec) return NotSaved(path, "it is a link to a file that does not exist");
  }
  const fs::file_status status = fs::status(target, ec);
  const bool exists = status.type() != fs::file_type::not_found;
  if (ec && exists) return NotSaved(path, "cannot write it (" + ec.message() + ")");
  if (fs::is_directory(status)) return NotSaved(path, "it is a folder, not a file");
  // Renaming over a device or a pipe would replace it, not write to it.
  if (exists && !fs::is_regular_file(status)) return NotSaved(path, "not a regular file");
  if (exists) {
    // A file the operator may not write stays as it is, although its folder would let a
    // rename replace it. Opening to append changes nothing.
    errno = 0;
    if (!std::ofstream(target, std::ios::binary | std::ios::app)) {
      return NotSaved(path, "cannot write it (" + SystemReason(errno) + ")");
    }
  }

  // Written beside it and renamed over it: a failed write never leaves half a grid behind
  // in place of the file that was there.
  fs::path part = target;
  part += ".tvxorm-part";
  errno = 0;
  std::ofstream out(part, std::ios::binary | std::ios::trunc);
  if (!out) return NotSaved(path, "cannot write it (" + SystemReason(errno) + ")");
  out << text.str();
  out.close();
  if (!out) {
    const int error = errno;
    fs::remove(part, ec);
    return NotSaved(path, "cannot write it (" + SystemReason(error) + ")");
  }
  if (exists) fs::permissions(part, status.permissions(), ec);
  fs::rename(part, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(part, ignored);
    return NotSaved(path, "cannot write it (" + ec.message() + ")");
  }
  return {true, "Grid saved to " + Quoted(path) + "."};
}

GridFileOutcome LoadGridFile(window::FrmMain& w, const std::string& path) {
  if (const std::string refusal = LoadRefusal(w); !refusal.empty()) return {false, refusal};
  if (const std::string why = NameRefusal(path); !why.empty()) {
    return {false, "Grid not loaded: " + why};
  }
  const FileText file = ReadWhole(path);
  if (!file.refusal.empty()) return NotLoaded(path, file.refusal);
  std::istringstream in(file.text);
  const auto parsed = ParseLayout(in);
  if (const auto* error = std::get_if<LayoutError>(&parsed)) {
    const std::string where = error->line > 0 ? "line " + std::to_string(error->line) + ": " : "";
    return NotLoaded(path, Shown(where + error->message));
  }
  ReplaceGrid(w, std::get<GridLayout>(parsed));
  return {true, "Grid loaded from " + Quoted(path) + "."};
}

void ReplaceGrid(window::FrmMain& w, const GridLayout& layout) {
  std::vector<window::Control*> picked;
  for (window::Control* picker : PickerButtons(w)) {
    if (picker->BackColor() != window::kLightGrey) picked.push_back(picker);
  }
  const std::int16_t row = w.Row, column = w.Col;
  // No click returns a set cell to unset; entering AC1 does, and it is what "." means.
  ClearCells(w);
  ApplyLayout(w, layout);
  // The load is not the operator's choice of colours or cell.
  for (window::Control* picker : picked) window::OperatorClick(*picker);
  w.Row = row;
  w.Col = column;
}

}  // namespace tvx::andon
