#include "app/journal_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <limits>

#include "app/files.h"
#include "console/script.h"
#include "protocol/display.h"

namespace tvx::app {

namespace {

using console::JournalEntry;
using console::JournalPacket;

// Console texts are one byte a character.
QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
std::string FromLatin1(const QString& text) {
  return text.toLatin1().toStdString();
}
QString Tokens(const std::string& bytes) {
  return QString::fromStdString(protocol::TokenText(bytes));
}

QJsonObject PacketObject(const JournalPacket& packet) {
  return {{"command", QString::fromStdString(packet.command)},
          {"address", QString::fromStdString(packet.address)},
          {"tokens", Tokens(packet.bytes)},
          {"hex", QString::fromStdString(protocol::HexText(packet.bytes))}};
}

// The lines of a file, each without its line break. A line longer than any entry is no entry:
// it is passed over without being held, so a file with no line break costs no memory.
class JournalLines {
 public:
  static constexpr std::size_t kMaxLineBytes = 1 << 20;

  explicit JournalLines(const std::string& name)
      : in_(std::filesystem::path(std::u8string(name.begin(), name.end())), std::ios::binary) {}

  // The next line; false at the end. whole is false for a line cut short, and line is empty.
  bool Next(std::string& line, bool& whole) {
    line.clear();
    whole = true;
    bool any = false;
    while (true) {
      if (at_ == end_) {
        in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        at_ = 0;
        end_ = static_cast<std::size_t>(in_.gcount());
        if (end_ == 0) return any;
      }
      any = true;
      const char* from = buffer_.data() + at_;
      const auto* stop = static_cast<const char*>(std::memchr(from, '\n', end_ - at_));
      const std::size_t length = stop ? static_cast<std::size_t>(stop - from) : end_ - at_;
      if (whole && line.size() + length > kMaxLineBytes) {
        whole = false;
        line = std::string();
      }
      if (whole) line.append(from, length);
      at_ += length;
      if (stop) {
        ++at_;
        return true;
      }
    }
  }

 private:
  std::ifstream in_;
  std::array<char, 1 << 16> buffer_{};
  std::size_t at_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

std::string StateDirectory() {
  QString dir;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  // The XDG state directory: what is worth keeping across runs but is no user document.
  dir = qEnvironmentVariable("XDG_STATE_HOME");
  if (dir.isEmpty() || QDir::isRelativePath(dir)) dir = QDir::homePath() + "/.local/state";
  dir += "/tvxorm";
#else
  dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#endif
  return dir.toStdString();
}

std::string DefaultJournalPath() {
  return StateDirectory() + "/journal.jsonl";
}

std::string LocalTimeText(const console::JournalTime& time) {
  const QDateTime at =
      QDateTime::fromMSecsSinceEpoch(time.utc_ms, Qt::OffsetFromUTC, time.offset_s);
  return at.toString(Qt::ISODateWithMs).toStdString();
}

std::string UtcTimeText(const console::JournalTime& time) {
  return QDateTime::fromMSecsSinceEpoch(time.utc_ms, Qt::UTC)
      .toString(Qt::ISODateWithMs)
      .toStdString();
}

console::JournalTime JournalNow() {
#if defined(Q_OS_UNIX)
  // The C library reads the time zone once for localtime_r; QDateTime's local time has it
  // look at /etc/localtime again three times for every time stamp (a gateway takes hundreds
  // a second).
  const qint64 ms = QDateTime::currentMSecsSinceEpoch();
  const auto seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  if (localtime_r(&seconds, &local) != nullptr) return {ms, static_cast<int>(local.tm_gmtoff)};
#endif
  const QDateTime now = QDateTime::currentDateTime();
  return {now.toMSecsSinceEpoch(), now.offsetFromUtc()};
}

std::string JournalLine(const JournalEntry& entry) {
  const std::string bytes = entry.Bytes();
  QJsonArray packets;
  for (const JournalPacket& packet : entry.packets) packets.append(PacketObject(packet));
  QJsonObject line{
      {"time", QString::fromStdString(LocalTimeText(entry.time))},
      {"utc", QString::fromStdString(UtcTimeText(entry.time))},
      {"link", entry.link == protocol::Link::Tcp ? "tcp" : "serial"},
      {"destination", QString::fromStdString(entry.destination)},
      {"command", QString::fromStdString(entry.Command())},
      {"address", QString::fromStdString(entry.Address())},
      {"tokens", Tokens(bytes)},
      {"hex", QString::fromStdString(protocol::HexText(bytes))},
      {"bytes", static_cast<qint64>(bytes.size())},
      {"outcome", entry.written ? "written" : "not written"},
      {"error", QString::fromStdString(entry.error)},
      {"status", Latin1(entry.status)},
      {"resend", entry.resend},
      {"packets", packets},
  };
  if (!entry.source.empty()) line.insert("source", QString::fromStdString(entry.source));
  if (entry.andon) {
    line.insert("andon", QJsonObject{{"sent", entry.andon->sent},
                                     {"set", entry.andon->set},
                                     {"completed", entry.andon->completed}});
  }
  return QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<JournalEntry> ParseJournalLine(std::string_view text) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject line = document.object();
  const QDateTime local = QDateTime::fromString(line["time"].toString(), Qt::ISODateWithMs);
  const QDateTime utc = QDateTime::fromString(line["utc"].toString(), Qt::ISODateWithMs);
  if (!local.isValid() || !utc.isValid()) return std::nullopt;
  JournalEntry entry;
  entry.time = {utc.toMSecsSinceEpoch(), local.offsetFromUtc()};
  entry.link = line["link"].toString() == "tcp" ? protocol::Link::Tcp : protocol::Link::Serial;
  entry.destination = line["destination"].toString().toStdString();
  for (const QJsonValue value : line["packets"].toArray()) {
    const QJsonObject packet = value.toObject();
    const auto bytes = protocol::FromHexText(packet["hex"].toString().toStdString());
    if (!bytes) return std::nullopt;
    entry.packets.push_back({*bytes, packet["command"].toString().toStdString(),
                             packet["address"].toString().toStdString()});
  }
  entry.written = line["outcome"].toString() == "written";
  entry.error = line["error"].toString().toStdString();
  entry.status = FromLatin1(line["status"].toString());
  entry.resend = line["resend"].toBool();
  entry.source = line["source"].toString().toStdString();
  if (line.contains("andon")) {
    const QJsonObject andon = line["andon"].toObject();
    entry.andon = console::AndonTally{andon["sent"].toInt(), andon["set"].toInt(),
                                      andon["completed"].toBool()};
  }
  return entry;
}

std::vector<std::string> JournalFiles(const std::string& path) {
  std::vector<std::string> files;
  for (int k = JournalFile::kKeptFiles - 1; k >= 0; --k) {
    const std::string name = k == 0 ? path : path + "." + std::to_string(k);
    if (QFileInfo::exists(QString::fromStdString(name))) files.push_back(name);
  }
  return files;
}

JournalFile::JournalFile(std::string path, Warn warn, std::int64_t rotate_bytes)
    : path_(std::move(path)),
      warn_(std::move(warn)),
      rotate_bytes_(rotate_bytes),
      sync_([this] { SyncLoop(); }) {}

JournalFile::~JournalFile() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  sync_.join();
  file_.Sync();
}

bool JournalFile::Open() {
  std::lock_guard lock(mutex_);
  const std::string why = OpenLocked();
  if (!why.empty()) Failed(why);
  return why.empty();
}

std::string JournalFile::OpenLocked() {
  const QString dir = QFileInfo(QString::fromStdString(path_)).absolutePath();
  if (!QDir().mkpath(dir)) return "cannot create the directory " + Quoted(dir.toStdString());
  if (std::string why = file_.Open(path_); !why.empty()) {
    return "cannot open " + Quoted(path_) + ": " + why;
  }
  return {};
}

// Follows the path: a file rotated by another writer, or deleted or moved away (its entries
// would be lost), gives way to the one at the path, made again when it is gone.
std::string JournalFile::LockAtPath() {
  if (file_.IsOpen() && file_.Lock().empty()) return {};
  if (std::string why = OpenLocked(); !why.empty()) return why;
  if (std::string why = file_.Lock(); !why.empty())
    return "cannot write " + Quoted(path_) + ": " + why;
  return {};
}

void JournalFile::Failed(const std::string& why) {
  if (failing_) return;
  failing_ = true;
  if (warn_) warn_("the journal is not being written: " + why);
}

bool JournalFile::Append(const JournalEntry& entry) {
  const std::string line = JournalLine(entry) + "\n";
  std::lock_guard lock(mutex_);
  std::string why = LockAtPath();
  const std::int64_t size = file_.Size();
  if (why.empty() && size > 0 && size + static_cast<std::int64_t>(line.size()) > rotate_bytes_ &&
      Rotate()) {
    why = LockAtPath();
  }
  if (why.empty()) {
    if (std::string failed = file_.Append(line); !failed.empty())
      why = "cannot write " + Quoted(path_) + ": " + failed;
    file_.Unlock();
  }
  if (!why.empty()) {
    Failed(why);
    return false;
  }
  failing_ = false;
  dirty_ = true;
  wake_.notify_one();
  return true;
}

// Under the lock of the file at the path, so no other writer rotates it as well. False when
// the file stays where it is.
bool JournalFile::Rotate() {
  namespace fs = std::filesystem;
  const auto name = [this](int k) {
    const std::string text = k == 0 ? path_ : path_ + "." + std::to_string(k);
    return fs::path(std::u8string(text.begin(), text.end()));
  };
  std::error_code ec;
  // Files move only up to the first free place: after a rotation that stopped half way (a
  // file held open elsewhere) the next one loses no file.
  int free = 1;
  while (free < kKeptFiles - 1 && fs::exists(name(free), ec)) ++free;
  if (free == kKeptFiles - 1) fs::remove(name(free), ec);
  for (int k = free - 1; k >= 1; --k) fs::rename(name(k), name(k + 1), ec);
  file_.Sync();
  fs::rename(name(0), name(1), ec);
  if (ec) return false;  // written on, and rotated with a later entry
  file_.Close();
  return true;
}

void JournalFile::SyncLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return dirty_ || stop_; });
    if (stop_) return;
    dirty_ = false;
    const int handle = file_.NewHandle();
    if (handle < 0) continue;
    lock.unlock();
    SharedAppendFile::SyncAndClose(handle);
    lock.lock();
    if (sync_spacing_.count() > 0) wake_.wait_for(lock, sync_spacing_, [this] { return stop_; });
  }
}

void JournalFile::SyncAtMostEvery(std::chrono::milliseconds spacing) {
  std::lock_guard lock(mutex_);
  sync_spacing_ = spacing;
}

void ReadJournal(const std::vector<std::string>& files,
                 const std::function<bool(JournalEntry&&)>& take, int* bad_lines) {
  std::string line;
  bool whole = true;
  for (const std::string& name : files) {
    if (!InputFileRefusal(name, std::numeric_limits<std::uintmax_t>::max()).empty()) continue;
    for (JournalLines lines(name); lines.Next(line, whole);) {
      if (whole && line.empty()) continue;
      auto entry = whole ? ParseJournalLine(line) : std::nullopt;
      if (!entry) {
        if (bad_lines) ++*bad_lines;
        continue;
      }
      if (!take(std::move(*entry))) return;
    }
  }
}

std::vector<JournalEntry> ReadJournalTail(const std::string& path, std::size_t count,
                                          std::int64_t end) {
  // Only the end of the file is read: a start-up must not parse 10 MB for a few entries.
  constexpr std::streamoff kTailBytes = 1 << 20;
  // A pipe would hold the window's start.
  if (!InputFileRefusal(path, std::numeric_limits<std::uintmax_t>::max()).empty()) return {};
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::streamoff size = in.tellg();
  if (end >= 0 && end < size) size = end;
  in.seekg(std::max<std::streamoff>(0, size - kTailBytes));
  std::string line;
  if (size > kTailBytes) std::getline(in, line);  // the first line is cut
  std::deque<JournalEntry> tail;
  while (in.tellg() < size && std::getline(in, line)) {
    auto entry = ParseJournalLine(line);
    if (!entry) continue;
    tail.push_back(std::move(*entry));
    if (tail.size() > count) tail.pop_front();
  }
  return {std::make_move_iterator(tail.begin()), std::make_move_iterator(tail.end())};
}

}  // namespace tvx::app
