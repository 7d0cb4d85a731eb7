#include "app/journal_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>
#include <deque>
#include <fstream>

#include "console/script.h"
#include "protocol/display.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

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
  return QString::fromStdString(console::PrintableValue(bytes));
}

QJsonObject PacketObject(const JournalPacket& packet) {
  return {{"command", QString::fromStdString(packet.command)},
          {"address", QString::fromStdString(packet.address)},
          {"tokens", Tokens(packet.bytes)},
          {"hex", QString::fromStdString(protocol::HexText(packet.bytes))}};
}

bool SyncHandle(int handle) {
#if defined(Q_OS_WIN)
  return _commit(handle) == 0;
#elif defined(Q_OS_LINUX)
  return fdatasync(handle) == 0;
#else
  return fsync(handle) == 0;
#endif
}

bool Sync(QFile& file) {
  return file.handle() >= 0 && SyncHandle(file.handle());
}

// A handle of its own on the file, so that the disk can be waited for without holding the
// file: the writer may rotate it meanwhile.
int DuplicateHandle(QFile& file) {
  if (file.handle() < 0) return -1;
#ifdef Q_OS_WIN
  return _dup(file.handle());
#else
  return dup(file.handle());
#endif
}

void CloseHandle(int handle) {
#ifdef Q_OS_WIN
  _close(handle);
#else
  close(handle);
#endif
}

}  // namespace

std::string DefaultJournalPath() {
  QString dir;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  // The XDG state directory: what is worth keeping across runs but is no user document.
  dir = qEnvironmentVariable("XDG_STATE_HOME");
  if (dir.isEmpty() || QDir::isRelativePath(dir)) dir = QDir::homePath() + "/.local/state";
  dir += "/tvxorm";
#else
  dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#endif
  return (dir + "/journal.jsonl").toStdString();
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
  if (file_.isOpen()) Sync(file_);
}

bool JournalFile::Open() {
  std::lock_guard lock(mutex_);
  return OpenLocked();
}

bool JournalFile::OpenLocked() {
  file_.close();
  const QString path = QString::fromStdString(path_);
  const QString dir = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(dir)) {
    Failed("cannot create the directory " + dir.toStdString());
    return false;
  }
  file_.setFileName(path);
  // Unbuffered: each entry is one write the system has once Append returns.
  if (!file_.open(QIODevice::Append | QIODevice::Unbuffered)) {
    Failed("cannot open " + path_ + ": " + file_.errorString().toStdString());
    return false;
  }
  return true;
}

void JournalFile::Failed(const std::string& why) {
  if (failing_) return;
  failing_ = true;
  if (warn_) warn_("the journal is not being written: " + why);
}

bool JournalFile::Append(const JournalEntry& entry) {
  const std::string line = JournalLine(entry) + "\n";
  std::lock_guard lock(mutex_);
  // A file deleted or moved away under us would swallow the entries: write a new one.
  if (!file_.isOpen() || !QFileInfo::exists(file_.fileName())) {
    if (!OpenLocked()) return false;
  }
  if (file_.size() > 0 && file_.size() + static_cast<qint64>(line.size()) > rotate_bytes_) {
    Rotate();
    if (!file_.isOpen()) return false;
  }
  const qint64 written = file_.write(line.data(), static_cast<qint64>(line.size()));
  if (written != static_cast<qint64>(line.size())) {
    Failed("cannot write " + path_ + ": " + file_.errorString().toStdString());
    file_.close();  // the next entry opens it afresh
    return false;
  }
  failing_ = false;
  dirty_ = true;
  wake_.notify_one();
  return true;
}

void JournalFile::Rotate() {
  Sync(file_);
  file_.close();
  const auto name = [this](int k) {
    return QString::fromStdString(k == 0 ? path_ : path_ + "." + std::to_string(k));
  };
  QFile::remove(name(kKeptFiles - 1));
  for (int k = kKeptFiles - 2; k >= 0; --k) QFile::rename(name(k), name(k + 1));
  OpenLocked();
}

void JournalFile::SyncLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return dirty_ || stop_; });
    if (stop_) return;
    dirty_ = false;
    const int handle = DuplicateHandle(file_);
    if (handle < 0) continue;
    lock.unlock();
    SyncHandle(handle);
    CloseHandle(handle);
    lock.lock();
  }
}

void ReadJournal(const std::vector<std::string>& files,
                 const std::function<bool(JournalEntry&&)>& take, int* bad_lines) {
  std::string line;
  for (const std::string& name : files) {
    std::ifstream in(name, std::ios::binary);
    while (std::getline(in, line)) {
      if (line.empty()) continue;
      auto entry = ParseJournalLine(line);
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
