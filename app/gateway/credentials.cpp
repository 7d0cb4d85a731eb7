#include "app/gateway/credentials.h"

#include <filesystem>
#include <system_error>

#include "app/files.h"

namespace tvx::app {

namespace {

// A credentials file is a few lines; anything larger is not one.
constexpr std::uintmax_t kMaxBytes = 64 * 1024;

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::variant<BrokerCredentials, std::string> ReadCredentials(const std::string& path) {
  if (std::string refusal = InputFileRefusal(path, kMaxBytes); !refusal.empty()) return refusal;
  // Checked before a byte is read: a secret others can read is refused, not used.
  std::error_code error;
  const auto perms = std::filesystem::status(PathOf(path), error).permissions();
  if (error) return SystemReason(error.value());
  using std::filesystem::perms;
  if ((perms & (perms::group_read | perms::others_read)) != perms::none)
    return "group or others may read it; make it the owner's only: chmod 600 " + Quoted(path);
  const InputFile file = ReadInputFile(path, kMaxBytes);
  if (!file.refusal.empty()) return file.refusal;

  BrokerCredentials c;
  bool has_user = false;
  std::size_t number = 0;
  for (std::size_t start = 0; start < file.text.size();) {
    std::size_t end = file.text.find('\n', start);
    if (end == std::string::npos) end = file.text.size();
    std::string line = file.text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    const auto equals = line.find('=');
    const std::string key =
        equals == std::string::npos ? std::string() : Trimmed(line.substr(0, equals));
    const std::string said = "line " + std::to_string(number) + ": ";
    if (key == "username") {
      if (has_user) return said + "username= is given twice";
      c.username = line.substr(equals + 1);
      if (c.username.empty()) return said + "username= is empty";
      has_user = true;
    } else if (key == "password") {
      if (c.password) return said + "password= is given twice";
      c.password = line.substr(equals + 1);
    } else {
      // The line itself is not shown: it may be a password written wrongly.
      return said + "not a username= or password= line";
    }
  }
  if (!has_user) return std::string("no username= line");
  return c;
}

}  // namespace tvx::app
