#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tvx::testing {

// A fresh folder for one test's files, removed with everything in it afterwards. Names are
// UTF-8, as the program's are, on every system (Windows reads a plain std::string path in its
// ANSI code page).
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> count{0};
    path_ = std::filesystem::temp_directory_path() /
            ("tvx-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(count++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return Utf8(path_ / Path(name)); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / Path(name), std::ios::binary) << bytes;
    return File(name);
  }
  static std::string Read(const std::string& file) {
    std::ifstream in(Path(file), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static std::filesystem::path Path(const std::string& utf8) {
    return std::u8string(utf8.begin(), utf8.end());
  }
  static std::string Utf8(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tvx::testing
