#include "app/journal_command.h"

#include <QDateTime>
#include <QFileInfo>
#include <cerrno>
#include <limits>
#include <optional>
#include <ostream>

#include "app/arg_reader.h"
#include "app/files.h"
#include "app/journal_file.h"
#include "console/command_runner.h"
#include "protocol/display.h"
#include "protocol/printable_text.h"

namespace tvx::app {

namespace {

using console::JournalEntry;

constexpr char kUsage[] =
    "usage: tvxorm journal [FILE] [--since TIME] [--command CODE] [--address GGUU] [--csv]\n"
    "       tvxorm journal --help\n";

std::string Help() {
  return std::string(kUsage) +
         "\n"
         "Prints the journal of what was sent, oldest first: a line per entry with its packets\n"
         "under it. Without FILE, the user's journal " +
         Quoted(DefaultJournalPath()) +
         "\n"
         "and the files rotated out of it.\n"
         "\n"
         "  --since TIME     entries from TIME on: an ISO 8601 date or time (2026-12-08,\n"
         "                   2026-12-08 14:00, 2026-12-08T14:00:00Z); local time without a zone\n"
         "  --command CODE   entries of one command: its section code as send takes it, any\n"
         "                   case (AC1, NUM, Misc, ...)\n"
         "  --address GGUU   entries to one address: group and unit, four digits\n"
         "  --csv            one CSV row per entry, for a spreadsheet\n"
         "  -h, --help       print this help and exit\n";
}

struct JournalQuery {
  bool help = false;
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
      if (!q.since_ms) return "--since: " + Quoted(value) + " is no ISO 8601 date or time";
    } else if (r.Is("--command")) {
      if (!r.Value("--command", value) || value.empty()) return "--command needs a code";
      // A code no entry can have would print nothing, as if nothing had been sent.
      if (console::CommandCaption(value).empty()) {
        std::string codes;
        for (const std::string& name : console::CommandNames()) {
          codes += (codes.empty() ? "" : ", ") + name;
        }
        return "--command: " + Quoted(value) + " is no command; the commands are " + codes;
      }
      q.command = value;
    } else if (r.Is("--address")) {
      if (!r.Value("--address", value) || value.empty()) return "--address needs GGUU";
      if (value.size() != 4 || value.find_first_not_of("0123456789") != std::string::npos) {
        return "--address takes four digits, group and unit (GGUU), not " + Quoted(value);
      }
      q.address = value;
    } else if (r.Arg() == "--help" || r.Arg() == "-h") {
      q.help = true;
    } else if (r.Arg() == "--csv") {
      q.csv = true;
    } else if (!r.Arg().empty() && r.Arg()[0] == '-') {
      return "unknown option " + Quoted(r.Arg());
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
  // A spreadsheet runs a cell that starts like this as a formula; after a quote it is text.
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string::npos;
  if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = formula ? "\"'" : "\"";
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
                                PrintableName(e.destination),
                                e.Command(),
                                e.Address(),
                                e.written ? "written" : "not written",
                                e.error,
                                protocol::PrintableValue(e.status),
                                e.resend ? "yes" : "no",
                                std::to_string(bytes.size()),
                                protocol::TokenText(bytes),
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
  std::string text = time + "  " + PrintableName(entry.destination) + "  " +
                     (entry.Command().empty() ? "-" : entry.Command()) + " " +
                     (entry.Address().empty() ? "-" : entry.Address()) + "  " + OutcomeText(entry) +
                     "  \"" + protocol::PrintableValue(entry.status) + "\"\n";
  for (const console::JournalPacket& packet : entry.packets) {
    text += "    " + protocol::TokenText(packet.bytes) + "\n";
  }
  return text;
}

int RunJournal(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto parsed = ParseQuery(args);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    err << "tvxorm journal: " << *error << "\n" << kUsage << std::flush;
    return 2;
  }
  const JournalQuery& q = std::get<JournalQuery>(parsed);
  if (q.help) {
    out << Help();
    return OutputFailure(out).empty() ? 0 : 1;
  }
  const std::vector<std::string> files =
      q.file.empty() ? JournalFiles(DefaultJournalPath()) : std::vector<std::string>{q.file};
  for (const std::string& file : files) {
    // Streamed, so any size will do; but a folder, a device or a pipe is no journal.
    const std::string why = InputFileRefusal(file, std::numeric_limits<std::uintmax_t>::max());
    if (!why.empty()) {
      err << "tvxorm journal: cannot read " << Quoted(file) << ": " << why << std::endl;
      return 2;
    }
  }
  if (q.csv) out << kCsvHeader;
  int bad_lines = 0;
  std::string failure;
  ReadJournal(
      files,
      [&](JournalEntry&& entry) {
        if (Matches(q, entry)) out << (q.csv ? CsvRow(entry) : ReadableEntry(entry));
        // Why, while errno still says it.
        if (!out) failure = SystemReason(errno);
        return failure.empty();
      },
      &bad_lines);
  if (failure.empty()) failure = OutputFailure(out);
  if (bad_lines > 0) {
    err << "tvxorm journal: " << bad_lines
        << (bad_lines == 1 ? " line is no journal entry and was skipped"
                           : " lines are no journal entries and were skipped")
        << std::endl;
  }
  if (!failure.empty()) {
    err << "tvxorm journal: cannot write to standard output: " << failure << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace tvx::app
