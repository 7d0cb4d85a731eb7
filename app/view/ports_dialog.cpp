#include "app/view/ports_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "links/port_names.h"

namespace tvx::app {

namespace {
constexpr int kPollMs = 2000;
const QSize kOpeningSize(720, 440);  // the five columns without a scroll bar
const QStringList kColumns = {"Device", "Description", "Manufacturer", "Serial number",
                              "Stable name"};
}  // namespace

PortsDialog::PortsDialog(links::PortLister lister, const std::map<int, std::string>& devices,
                         QWidget* parent)
    : QDialog(parent),
      lister_(std::move(lister)),
      table_(new QTableWidget(this)),
      poll_(new QTimer(this)) {
  setWindowTitle(tr("Serial ports"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Serial devices of this machine:"), this));
  table_->setColumnCount(kColumns.size());
  table_->setHorizontalHeaderLabels(kColumns);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(table_);
  auto* refresh = new QPushButton(tr("&Refresh"), this);
  refresh->setObjectName("PortsRefresh");
  connect(refresh, &QPushButton::clicked, this, &PortsDialog::Poll);
  layout->addWidget(refresh, 0, Qt::AlignLeft);

  auto* form = new QFormLayout;
  for (int k = 1; k <= kPorts; ++k) {
    auto* box = new QComboBox(this);
    box->setEditable(true);  // any path may be typed
    box->setObjectName(QStringLiteral("PortBox%1").arg(k));
    box->setMinimumWidth(360);
    const auto it = devices.find(k);
    if (it != devices.end()) box->setEditText(QString::fromStdString(it->second));
    // An empty box keeps the built-in device; say which.
    box->lineEdit()->setPlaceholderText(
        tr("%1 (default)").arg(QString::fromStdString(links::PortNames::DefaultDevice(k))));
    auto* label = new QLabel(tr("Comm &%1:").arg(k), this);
    label->setBuddy(box);
    form->addRow(label, box);
    boxes_[k - 1] = box;
  }
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  Fill(lister_ ? lister_() : std::vector<links::PortInfo>{});
  resize(kOpeningSize);
  boxes_[0]->setFocus();  // the keys go to Comm 1 first
  connect(poll_, &QTimer::timeout, this, &PortsDialog::Poll);
  poll_->start(kPollMs);
}

void PortsDialog::Poll() {
  if (!lister_) return;
  const auto ports = lister_();
  if (ports != shown_) Fill(ports);
}

int PortsDialog::ListedPorts() const {
  return table_->rowCount();
}

void PortsDialog::Fill(const std::vector<links::PortInfo>& ports) {
  shown_ = ports;
  table_->setRowCount(static_cast<int>(ports.size()));
  QStringList choices;
  for (int row = 0; row < static_cast<int>(ports.size()); ++row) {
    const links::PortInfo& p = ports[row];
    QString stable;
    for (const std::string& name : p.stable_names) {
      stable += (stable.isEmpty() ? "" : "\n") + QString::fromStdString(name);
      choices << QString::fromStdString(name);
    }
    const QString cells[] = {
        QString::fromStdString(p.location), QString::fromStdString(p.description),
        QString::fromStdString(p.manufacturer), QString::fromStdString(p.serial_number), stable};
    for (int column = 0; column < kColumns.size(); ++column) {
      table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    choices << QString::fromStdString(p.location);
  }
  // The boxes offer every device; what was typed or chosen stays.
  for (QComboBox* box : boxes_) {
    const QString kept = box->currentText();
    box->clear();
    box->addItems(choices);
    box->setEditText(kept);
  }
}

std::map<int, std::string> PortsDialog::Assignments() const {
  std::map<int, std::string> devices;
  for (int k = 1; k <= kPorts; ++k) {
    const QString text = boxes_[k - 1]->currentText().trimmed();
    if (!text.isEmpty()) devices[k] = text.toStdString();
  }
  return devices;
}

}  // namespace tvx::app
