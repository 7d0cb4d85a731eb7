#include "app/grid_file_io.h"

#include <filesystem>
#include <system_error>

#include "app/files.h"

namespace tvx::app {

namespace {

namespace fs = std::filesystem;

constexpr char kTooLarge[] = "far too large for an andon grid file";

andon::GridFileOutcome NotSaved(const std::string& path, const std::string& why) {
  return {false, "Grid not saved to " + Quoted(path) + ": " + why};
}

andon::GridFileOutcome NotLoaded(const std::string& path, const std::string& why) {
  return {false, "Grid not loaded from " + Quoted(path) + ": " + why};
}

// A link to nothing is refused rather than written through: the grid has always been saved
// only over a file that is there or in place of the name given.
bool LinkToNothing(const std::string& path) {
  const fs::path file = PathOf(path);
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(file, ec))) return false;
  return !fs::exists(file, ec);
}

}  // namespace

andon::GridFileOutcome SaveGridFile(const window::FrmMain& w, const std::string& path) {
  if (const std::string why = NameRefusal(path); !why.empty()) {
    return {false, "Grid not saved: " + why};
  }
  if (LinkToNothing(path)) return NotSaved(path, "it is a link to a file that does not exist");
  if (const std::string why = SaveFileWhole(path, andon::GridFileText(w)); !why.empty()) {
    return NotSaved(path, why);
  }
  return {true, "Grid saved to " + Quoted(path) + "."};
}

andon::GridFileOutcome LoadGridFile(window::FrmMain& w, const std::string& path) {
  if (const std::string refusal = andon::LoadRefusal(w); !refusal.empty()) return {false, refusal};
  if (const std::string why = NameRefusal(path); !why.empty()) {
    return {false, "Grid not loaded: " + why};
  }
  const InputFile file = ReadInputFile(path, andon::kMaxGridFileBytes, kTooLarge);
  if (!file.refusal.empty()) return NotLoaded(path, file.refusal);
  if (const std::string why = andon::LoadGridText(w, file.text); !why.empty()) {
    return NotLoaded(path, why);
  }
  return {true, "Grid loaded from " + Quoted(path) + "."};
}

}  // namespace tvx::app
