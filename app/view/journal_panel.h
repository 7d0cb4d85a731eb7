#pragma once

#include <QDockWidget>
#include <deque>
#include <functional>
#include <vector>

#include "console/console.h"
#include "console/journal.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tvx::app {

// The journal beside the console: the last entries of the file and everything sent since the
// start, filtered by command, address and outcome, failures marked. A selected entry's token
// text or hex can be copied, or its bytes sent again. It shows and asks; the journal records
// and the console sends.
class JournalPanel : public QDockWidget {
  Q_OBJECT
 public:
  using SendAgain = std::function<console::Console::ResendOutcome(const console::JournalEntry&)>;
  using Message = std::function<void(const QString& text, bool error)>;

  // The most entries listed; older ones leave the list (the file keeps them).
  static constexpr int kListed = 5000;

  using Earlier = std::function<std::vector<console::JournalEntry>()>;

  // earlier gives the entries from before this run; it is asked the first time the panel is
  // shown, so that a long journal costs a start-up nothing.
  JournalPanel(Earlier earlier, SendAgain send_again, Message message, QWidget* parent = nullptr);
  JournalPanel(const std::vector<console::JournalEntry>& earlier, SendAgain send_again,
               Message message, QWidget* parent = nullptr);

  // An entry just ended.
  void Add(const console::JournalEntry& entry);
  // Rows the filters let through, and the entry of a row.
  int ShownRows() const;
  const console::JournalEntry* EntryAt(int row) const;
  QTableWidget& Table() { return *table_; }
  // The selected entry's token text or hex to the clipboard; its bytes sent again.
  void CopyTokens();
  void CopyHex();
  void SendSelectedAgain();

  // The first showing lists the entries first, as if they had always been there.
  void setVisible(bool visible) override;

 private:
  // The earlier entries, then those added so far, into the table: once, when first shown.
  void Fill();
  void List(const console::JournalEntry& entry);
  void AddRow(const console::JournalEntry& entry);
  void ApplyFilters();
  bool Passes(const console::JournalEntry& entry) const;
  const console::JournalEntry* Selected() const;
  void SelectionChanged();

  std::deque<console::JournalEntry> entries_;
  Earlier earlier_;
  bool filled_ = false;
  SendAgain send_again_;
  Message message_;
  QTableWidget* table_;
  QLineEdit* command_filter_;
  QLineEdit* address_filter_;
  QComboBox* outcome_filter_;
  QPushButton* copy_tokens_;
  QPushButton* copy_hex_;
  QPushButton* send_again_button_;
};

}  // namespace tvx::app
