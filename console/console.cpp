#include "console/console.h"

#include "console/andon_branches.h"
#include "console/config_branches.h"
#include "console/display_branches.h"
#include "console/misc_branch.h"
#include "console/section_table.h"
#include "console/texts.h"
#include "protocol/andon_commands.h"

namespace tvx::console {

Console::Console(window::FrmMain& w)
    : w_(w),
      out_(w.MSComm1, w.Winsock1),
      ports_(w),
      tcp_(w),
      grid_(w),
      rows_(w, out_),
      dispatcher_(w, out_),
      sections_(w),
      keyboard_(
          w, [this] { dispatcher_.Send(); }, [this] { sections_.Cancel(); }) {
  AddSections(sections_, w_, grid_);
  RegisterMiscBranch(dispatcher_);
  RegisterDisplayBranches(dispatcher_);
  RegisterConfigBranches(dispatcher_);
  WireDisplayOptions(w_);
  RegisterAndonBranches(dispatcher_, grid_, rows_);
}

Console::~Console() {
  w_.controls.ClearHooks();
}

void Console::AttachJournal(Journal& journal) {
  journal_ = &journal;
  out_.SetObserver(&journal);
  auto tick = w_.Timer1->on_tick.Take();
  w_.Timer1->on_tick = [this, tick = std::move(tick)] {
    const bool grid = w_.flags.AndonFlag && w_.SendFlag;
    tick();
    if (grid && journal_ && journal_->Open()) grid_entry_ = true;
    SettleJournal();
  };
}

void Console::SettleJournal() {
  if (!journal_ || !journal_->Open() || rows_.Running()) return;
  EndJournalEntry(!rows_.StoppedEarly());
}

void Console::CloseJournal() {
  if (journal_ && journal_->Open()) EndJournalEntry(!rows_.Running() && !rows_.StoppedEarly());
  out_.SetObserver(nullptr);
  journal_ = nullptr;
}

void Console::EndJournalEntry(bool grid_completed) {
  std::optional<AndonTally> tally;
  if (grid_entry_) {
    int set = 0;
    for (int row = 1; row <= protocol::kAndonRows; ++row) {
      for (int column = 1; column <= protocol::kAndonColumns; ++column) {
        if (andon::CellPacket(w_, row, column)) ++set;
      }
    }
    tally = AndonTally{0, set, grid_completed};
  }
  grid_entry_ = false;
  journal_->End(w_.StatusText->Text(), tally);
}

Console::ResendOutcome Console::SendAgain(const JournalEntry& entry) {
  if (rows_.Running()) return {false, texts::kResendDuringGrid};
  const std::string bytes = entry.Bytes();
  if (bytes.empty()) return {false, texts::kResendNothing};
  SettleJournal();
  out_.Choose();
  out_.ClearFailure();
  if (journal_) journal_->MarkResend();
  for (const JournalPacket& packet : entry.packets) out_.Write(packet.bytes);
  out_.Flush();
  const bool ok = !out_.Failed();
  const std::string where = journal_ ? journal_->Current().destination : std::string();
  const std::string message =
      ok ? texts::SentAgain(bytes.size(), where)
         : texts::NotSentAgain(where, journal_ ? journal_->Current().error : std::string());
  if (journal_) journal_->End(message);
  return {ok, message};
}

std::string WindowCaption(int major, int minor, int revision) {
  return std::string(texts::kApplicationTitle) + ", version " + std::to_string(major) + "." +
         std::to_string(minor) + std::to_string(revision);
}

void Console::Load() {
  w_.frmMain->SetCaption(WindowCaption(TVX_VERSION_MAJOR, TVX_VERSION_MINOR, TVX_VERSION_PATCH));
  sections_.HideAllDataFields();
  sections_.DisableSendControls();
  w_.CommandDataFrame->SetCaption("");
  sections_.ResetFlags();
  ports_.DefaultPortProbe();
}

}  // namespace tvx::console
