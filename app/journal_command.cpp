#include "app/journal_command.h"

#include <QDateTime>
#include <QFileInfo>
#include <optional>
#include <ostream>

#include "app/arg_reader.h"
#include "app/journal_file.h"
#include "console/script.h"
#include "protocol/display.h"

namespace tvx::app {

namespace {

using console::JournalEntry;

struct JournalQuery {
  std::string file;
  std::optional<std::int64_t> since_ms;
  std::string command;
  std::string address;
  bool csv = false;
};

// ISO 8601 as people type it: a date, or a date and time with "T" or a blank, with or
// without seconds, milliseconds and a zone; local time when no zone is given.
std::optional<std::int64_t> ParseSince(const std::string& text) {
  QString iso = QString::fromStdString(text).trimmed();
  if (iso.size() > 10 && iso[10] == ' ') iso[10] = 'T';
  QDateTime at = QDateTime::fromString(iso, Qt::ISODateWithMs);
  if (!at.isValid()) {
    const QDate day = QDate::fromString(iso, Qt::ISODate);
    if (!day.isValid()) return std::nullopt;
    at = day.startOfDay();
  }
  return at.toMSecsSinceEpoch();
}

// A query, or what is wrong with the arguments.
std::variant<JournalQuery, std::string> ParseQuery(const std::vector<std::string>& args) {
  JournalQuery q;
  ArgReader r(args);
  for (; !r.Done(); r.Next()) {
    std::string value;
    if (r.Is("--since")) {
      if (!r.Value("--since", value)) return "--since needs a time";
      q.since_ms = ParseSince(value);
      if (!q.since_ms) return "--since: '" + value + "' is no ISO 8601 date or time";
    } else if (r.Is("--command")) {
      if (!r.Value("--command", value) || value.empty()) return "--command needs a code";
      q.command = value;
    } else if (r.Is("--address")) {
      if (!r.Value("--address", value) || value.empty()) return "--address needs GGUU";
      q.address = value;
    } else if (r.Arg() == "--csv") {
      q.csv = true;
    } else if (!r.Arg().empty() && r.Arg()[0] == '-') {
      return "unknown option '" + r.Arg() + "'";
    } else if (q.file.empty()) {
      q.file = r.Arg();
    } else {
      return "give one journal file only";
    }
  }
  return q;
}

bool Matches(const JournalQuery& q, const JournalEntry& entry) {
  if (q.since_ms && entry.time.utc_ms < *q.since_ms) return false;
  return entry.HasCommand(q.command) && entry.HasAddress(q.address);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

constexpr char kCsvHeader[] =
    "time,utc,link,destination,command,address,outcome,error,status,resend,bytes,tokens,hex\n";

std::string CsvRow(const JournalEntry& e) {
  const std::string bytes = e.Bytes();
  const std::string fields[] = {LocalTimeText(e.time),
                                UtcTimeText(e.time),
                                e.link == protocol::Link::Tcp ? "tcp" : "serial",
                                e.destination,
                                e.Command(),
                                e.Address(),
                                e.written ? "written" : "not written",
                                e.error,
                                console::PrintableValue(e.status),
                                e.resend ? "yes" : "no",
                                std::to_string(bytes.size()),
                                console::PrintableValue(bytes),
                                protocol::HexText(bytes)};
  std::string row;
  for (const std::string& field : fields) {
    if (!row.empty()) row += ',';
    row += CsvField(field);
  }
  return row + "\n";
}

}  // namespace

std::string OutcomeText(const JournalEntry& entry) {
  std::string text = entry.written ? "written" : "not written";
  if (!entry.written && !entry.error.empty()) text += ": " + entry.error;
  if (entry.andon) {
    text += ", " + std::string(entry.andon->completed ? "completed" : "stopped") + ", " +
            std::to_string(entry.andon->sent) + " of " + std::to_string(entry.andon->set) +
            " cells";
  }
  if (entry.resend) text += ", sent again";
  return text;
}

std::string ReadableEntry(const JournalEntry& entry) {
  std::string time = LocalTimeText(entry.time);
  if (time.size() > 10) time[10] = ' ';
  std::string text = time + "  " + entry.destination + "  " +
                     (entry.Command().empty() ? "-" : entry.Command()) + " " +
                     (entry.Address().empty() ? "-" : entry.Address()) + "  " + OutcomeText(entry) +
                     "  \"" + console::PrintableValue(entry.status) + "\"\n";
  for (const console::JournalPacket& packet : entry.packets) {
    text += "    " + console::PrintableValue(packet.bytes) + "\n";
  }
  return text;
}

int RunJournal(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto parsed = ParseQuery(args);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    err << "tvxorm journal: " << *error << "\n"
        << "usage: tvxorm journal [FILE] [--since TIME] [--command CODE] [--address GGUU] "
           "[--csv]"
        << std::endl;
    return 2;
  }
  const JournalQuery& q = std::get<JournalQuery>(parsed);
  std::vector<std::string> files;
  if (q.file.empty()) {
    files = JournalFiles(DefaultJournalPath());
  } else if (QFileInfo(QString::fromStdString(q.file)).isReadable()) {
    files = {q.file};
  } else {
    err << "tvxorm journal: cannot read '" << q.file << "'" << std::endl;
    return 2;
  }
  if (q.csv) out << kCsvHeader;
  int bad_lines = 0;
  std::string text;
  ReadJournal(
      files,
      [&](JournalEntry&& entry) {
        if (Matches(q, entry)) out << (q.csv ? CsvRow(entry) : ReadableEntry(entry));
        return static_cast<bool>(out);
      },
      &bad_lines);
  out.flush();
  if (bad_lines > 0) {
    err << "tvxorm journal: " << bad_lines << " line" << (bad_lines == 1 ? " is" : "s are")
        << " no journal entry and were skipped" << std::endl;
  }
  return 0;
}

}  // namespace tvx::app
