#include "app/journal_recorder.h"

#include "app/arg_reader.h"
#include "app/live_console.h"
#include "app/stop_signals.h"

namespace tvx::app {

namespace {

std::string LiveDestination(LiveConsole& live, protocol::Link link) {
  window::FrmMain& w = live.Window();
  if (link == protocol::Link::Tcp) {
    const std::string ip = w.Winsock1.RemoteHostIP();
    return (ip.empty() ? w.Winsock1.RemoteHost() : ip) + ":" +
           std::to_string(w.Winsock1.RemotePort());
  }
  const int port = w.MSComm1.CommPort();
  return "Comm " + std::to_string(port) + " = " + live.Names().Device(port);
}

}  // namespace

bool TakeJournalOption(ArgReader& r, JournalOptions& options, std::string& error) {
  if (r.Arg() == "--no-journal") {
    options.off = true;
    return true;
  }
  if (!r.Is("--journal")) return false;
  if (!r.Value("--journal", options.file) || options.file.empty()) {
    error = "--journal needs a file name";
  }
  return true;
}

JournalRecorder::JournalRecorder(const JournalOptions& options,
                                 console::Journal::LinkWords destination,
                                 console::Journal::LinkWords write_error, JournalFile::Warn warn)
    : journal_(JournalNow, std::move(destination), std::move(write_error)) {
  if (options.off) return;
  file_ = std::make_unique<JournalFile>(options.Path(), std::move(warn));
  file_->Open();  // a failure is warned of; each entry tries again
  journal_.AddListener(
      [file = file_.get()](const console::JournalEntry& entry) { file->Append(entry); });
}

JournalRecorder::JournalRecorder(LiveConsole& live, const JournalOptions& options,
                                 JournalFile::Warn warn)
    : JournalRecorder(
          options, [&live](protocol::Link link) { return LiveDestination(live, link); },
          [&live](protocol::Link link) {
            return link == protocol::Link::Tcp ? live.Socket().LastError()
                                               : live.Serial().LastError();
          },
          std::move(warn)) {
  live_ = &live;
  live.Console().AttachJournal(journal_);
}

JournalRecorder::~JournalRecorder() {
  if (live_) live_->Console().CloseJournal();
}

std::string StopReport(int signal, const console::JournalEntry* ended) {
  std::string report = "stopped by " + SignalName(signal);
  if (!ended) return report;
  if (ended->packets.empty()) return report + ": nothing was sent";
  if (ended->andon) {
    return report + ": " + std::to_string(ended->andon->sent) + " of the andon grid's " +
           std::to_string(ended->andon->set) + " cells went out";
  }
  return report + ": the packet was written";
}

}  // namespace tvx::app
