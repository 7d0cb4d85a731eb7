#include "app/view/sim_window.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QSplitter>
#include <QVBoxLayout>
#include <iostream>

#include "app/sim_command.h"
#include "app/sim_state.h"

namespace tvx::app {

int RunSimWindow(QApplication& app, const SimArgs& args) {
  auto devices = LoadDevices(args.devices);
  if (const auto* error = std::get_if<std::string>(&devices)) {
    std::cerr << "tvxorm sim: " << *error << std::endl;
    return 2;
  }
  SimSession session(std::get<std::vector<sim::DeviceSpec>>(std::move(devices)));
  QMainWindow window;
  window.setWindowTitle(QObject::tr("TVXORM bus simulator"));
  auto* split = new QSplitter(Qt::Vertical, &window);
  auto* state = new QLabel(split);
  state->setObjectName("SimState");
  state->setTextFormat(Qt::PlainText);
  state->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* monitor = new QListWidget(split);
  monitor->setObjectName("SimMonitor");
  window.setCentralWidget(split);
  const auto show_state = [&session, state] {
    state->setText(QString::fromUtf8(BusStateJson(session.Bus()).toJson(QJsonDocument::Indented)));
  };
  session.OnEntry([&session, monitor, show_state](const MonitorEntry& entry) {
    auto* item = new QListWidgetItem(QString::fromStdString(MonitorText(entry, session.Bus())));
    if (entry.error) item->setForeground(QColor(160, 0, 0));
    monitor->addItem(item);
    monitor->scrollToBottom();
    show_state();
  });
  if (const auto error = session.Open(args)) {
    std::cerr << "tvxorm sim: " << *error << std::endl;
    return 2;
  }
  show_state();
  window.resize(1000, 700);
  window.show();
  StopOnSignalsAndTime(app, args);
  app.exec();
  session.Close();
  if (!args.state.empty()) {
    std::string why;
    if (!WriteSimState(session.Bus(), args.state, why)) {
      std::cerr << "tvxorm sim: cannot write the state to '" << args.state << "': " << why
                << std::endl;
      return 1;
    }
  }
  return 0;
}

}  // namespace tvx::app
