#include "app/view/journal_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/journal_command.h"
#include "app/journal_file.h"
#include "console/script.h"
#include "protocol/display.h"

namespace tvx::app {

namespace {

enum Column { kTime, kLink, kCommand, kAddress, kOutcome, kPacket, kColumns };
const QStringList kHeaders = {"Time", "Link", "Command", "Address", "Outcome", "Packet"};
enum Outcome { kAll, kWritten, kNotWritten };
constexpr int kMeasuredRows = 20;

QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

QLabel* Buddy(const QString& text, QWidget* box, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(box);
  return label;
}

}  // namespace

JournalPanel::JournalPanel(const std::vector<console::JournalEntry>& earlier, SendAgain send_again,
                           Message message, QWidget* parent)
    : JournalPanel([earlier] { return earlier; }, std::move(send_again), std::move(message),
                   parent) {}

JournalPanel::JournalPanel(Earlier earlier, SendAgain send_again, Message message, QWidget* parent)
    : QDockWidget(tr("Journal"), parent),
      earlier_(std::move(earlier)),
      send_again_(std::move(send_again)),
      message_(std::move(message)),
      table_(new QTableWidget(0, kColumns, this)),
      command_filter_(new QLineEdit(this)),
      address_filter_(new QLineEdit(this)),
      outcome_filter_(new QComboBox(this)),
      copy_tokens_(new QPushButton(tr("Copy &tokens"), this)),
      copy_hex_(new QPushButton(tr("Copy he&x"), this)),
      send_again_button_(new QPushButton(tr("Send a&gain"), this)) {
  setObjectName("JournalDock");
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* filters = new QHBoxLayout;
  command_filter_->setObjectName("JournalCommandFilter");
  command_filter_->setPlaceholderText(tr("any, e.g. NUM"));
  address_filter_->setObjectName("JournalAddressFilter");
  address_filter_->setPlaceholderText(tr("any, e.g. 0102"));
  outcome_filter_->setObjectName("JournalOutcomeFilter");
  outcome_filter_->addItems({tr("All"), tr("Written"), tr("Not written")});
  filters->addWidget(Buddy(tr("Co&mmand:"), command_filter_, this));
  filters->addWidget(command_filter_);
  filters->addWidget(Buddy(tr("A&ddress:"), address_filter_, this));
  filters->addWidget(address_filter_);
  filters->addWidget(Buddy(tr("Out&come:"), outcome_filter_, this));
  filters->addWidget(outcome_filter_);
  filters->addStretch();
  copy_tokens_->setObjectName("JournalCopyTokens");
  copy_hex_->setObjectName("JournalCopyHex");
  send_again_button_->setObjectName("JournalSendAgain");
  send_again_button_->setToolTip(
      tr("Sends the selected entry's bytes again on the link the next packet takes"));
  for (QPushButton* button : {copy_tokens_, copy_hex_, send_again_button_}) {
    button->setEnabled(false);
    filters->addWidget(button);
  }
  layout->addLayout(filters);

  table_->setObjectName("JournalTable");
  table_->setHorizontalHeaderLabels(kHeaders);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setWordWrap(false);
  layout->addWidget(table_);
  setWidget(body);

  connect(command_filter_, &QLineEdit::textChanged, this, &JournalPanel::ApplyFilters);
  connect(address_filter_, &QLineEdit::textChanged, this, &JournalPanel::ApplyFilters);
  connect(outcome_filter_, &QComboBox::currentIndexChanged, this, &JournalPanel::ApplyFilters);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &JournalPanel::SelectionChanged);
  connect(copy_tokens_, &QPushButton::clicked, this, &JournalPanel::CopyTokens);
  connect(copy_hex_, &QPushButton::clicked, this, &JournalPanel::CopyHex);
  connect(send_again_button_, &QPushButton::clicked, this, &JournalPanel::SendSelectedAgain);
}

void JournalPanel::setVisible(bool visible) {
  if (visible && !filled_) Fill();
  QDockWidget::setVisible(visible);
}

void JournalPanel::Fill() {
  filled_ = true;
  std::deque<console::JournalEntry> added = std::move(entries_);
  entries_.clear();
  if (earlier_) {
    for (const console::JournalEntry& entry : earlier_()) List(entry);
    earlier_ = nullptr;
  }
  for (const console::JournalEntry& entry : added) List(entry);
}

void JournalPanel::Add(const console::JournalEntry& entry) {
  if (filled_) {
    List(entry);
    return;
  }
  entries_.push_back(entry);
  if (static_cast<int>(entries_.size()) > kListed) entries_.pop_front();
}

void JournalPanel::List(const console::JournalEntry& entry) {
  if (static_cast<int>(entries_.size()) >= kListed) {
    entries_.pop_front();
    table_->removeRow(0);
  }
  entries_.push_back(entry);
  AddRow(entries_.back());
  // The first rows set the columns' widths; measuring thousands of rows each time would not pay.
  if (table_->rowCount() <= kMeasuredRows) table_->resizeColumnsToContents();
  const int row = table_->rowCount() - 1;
  table_->setRowHidden(row, !Passes(entry));
  if (!table_->isRowHidden(row)) table_->scrollToBottom();
}

void JournalPanel::AddRow(const console::JournalEntry& e) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  std::string time = LocalTimeText(e.time);
  if (time.size() > 10) time[10] = ' ';
  const QString cells[kColumns] = {
      Text(time),
      Text(e.destination),
      Text(e.Command().empty() ? "-" : e.Command()),
      Text(e.Address().empty() ? "-" : e.Address()),
      Text(OutcomeText(e)),
      Text(console::PrintableValue(e.Bytes())),
  };
  const QString tip = Text(ReadableEntry(e)).trimmed();
  for (int column = 0; column < kColumns; ++column) {
    auto* item = new QTableWidgetItem(cells[column]);
    item->setToolTip(tip);
    if (!e.written) item->setForeground(QColor(160, 0, 0));
    table_->setItem(row, column, item);
  }
  // Not colour alone: a failure also carries the warning sign.
  if (!e.written) {
    table_->item(row, kOutcome)->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
  }
}

bool JournalPanel::Passes(const console::JournalEntry& e) const {
  if (!e.HasCommand(command_filter_->text().trimmed().toStdString()) ||
      !e.HasAddress(address_filter_->text().trimmed().toStdString())) {
    return false;
  }
  switch (outcome_filter_->currentIndex()) {
    case kWritten:
      return e.written;
    case kNotWritten:
      return !e.written;
    default:
      return true;
  }
}

void JournalPanel::ApplyFilters() {
  for (int row = 0; row < table_->rowCount(); ++row) {
    table_->setRowHidden(row, !Passes(entries_[static_cast<std::size_t>(row)]));
  }
  SelectionChanged();
}

int JournalPanel::ShownRows() const {
  int shown = 0;
  for (int row = 0; row < table_->rowCount(); ++row) shown += table_->isRowHidden(row) ? 0 : 1;
  return shown;
}

const console::JournalEntry* JournalPanel::EntryAt(int row) const {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return nullptr;
  return &entries_[static_cast<std::size_t>(row)];
}

const console::JournalEntry* JournalPanel::Selected() const {
  const auto rows = table_->selectionModel()->selectedRows();
  if (rows.isEmpty() || table_->isRowHidden(rows.front().row())) return nullptr;
  return EntryAt(rows.front().row());
}

void JournalPanel::SelectionChanged() {
  const console::JournalEntry* entry = Selected();
  for (QPushButton* button : {copy_tokens_, copy_hex_, send_again_button_}) {
    button->setEnabled(entry && !entry->packets.empty());
  }
}

void JournalPanel::CopyTokens() {
  if (const console::JournalEntry* entry = Selected()) {
    QApplication::clipboard()->setText(Text(console::PrintableValue(entry->Bytes())));
  }
}

void JournalPanel::CopyHex() {
  if (const console::JournalEntry* entry = Selected()) {
    QApplication::clipboard()->setText(Text(protocol::HexText(entry->Bytes())));
  }
}

void JournalPanel::SendSelectedAgain() {
  const console::JournalEntry* entry = Selected();
  if (!entry || !send_again_) return;
  // A copy: the re-send's own entry is added to the list while it runs.
  const console::JournalEntry chosen = *entry;
  const auto outcome = send_again_(chosen);
  if (message_) message_(Text(outcome.message), !outcome.ok);
}

}  // namespace tvx::app
