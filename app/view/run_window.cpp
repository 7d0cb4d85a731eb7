#include "app/view/run_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <iostream>

#include "app/live_console.h"
#include "app/port_settings.h"
#include "app/view/console_window.h"
#include "app/view/main_view.h"
#include "app/view/ports_dialog.h"
#include "links/link_status.h"

namespace tvx::app {

namespace {

// A screenshot waits for what the clicks set going: a link switch, a send's first tick.
constexpr int kSettleMs = 300;

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Writes the window, status bar included, to the file; false when it cannot be written.
bool SaveScreenshot(QWidget& window, MainView& view, const std::string& path) {
  view.Refresh();
  QCoreApplication::processEvents();  // text boxes lay out their text late
  return window.grab().save(QString::fromStdString(path), "PNG");
}

// In the Communications frame, right of Comm 4.
const QRect kPortsButtonPlace(172, 42, 72, 24);

// Which device each Comm option opens.
void ShowPortDevices(MainView& view, const links::PortNames& names) {
  for (int port = links::PortNames::kFirstPort; port <= links::PortNames::kLastPort; ++port) {
    if (QWidget* option = view.WidgetOf("Comm" + std::to_string(port) + "Option")) {
      option->setToolTip(
          QStringLiteral("Comm %1 = %2").arg(port).arg(QString::fromStdString(names.Device(port))));
    }
  }
}

}  // namespace

bool DisplayAvailable() {
#if defined(Q_OS_LINUX) || (defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN))
  return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

int RunWindow(QApplication& app, const WindowOptions& options) {
  LiveConsole live(options.comm);  // closing drains the port and closes the socket
  MainView view(live.Window());
  for (const std::string& name : options.clicks) {
    window::Control* control = live.Window().controls.Find(name);
    if (!control) {
      std::cerr << "tvxorm: unknown control '" << name << "'" << std::endl;
      return 2;
    }
    view.Click(*control);
  }
  live.AfterTick([&view] { view.Refresh(); });
  ShowPortDevices(view, live.Names());
  links::LinkStatus link;
  ConsoleWindow window(
      view, [&live, &link] { return link.Describe(live.Window(), live.Names()); },
      &live.Console().Rows());
  // "Ports..." in the Communications frame: the dialog chooses, the port manager switches.
  if (QWidget* frame = view.WidgetOf(live.Window().CommPort->Name())) {
    auto* ports = new QPushButton(QObject::tr("&Ports..."), frame);
    ports->setObjectName("PortsButton");
    ports->setGeometry(kPortsButtonPlace);
    QObject::connect(ports, &QPushButton::clicked, &window, [&] {
      // Only real choices are shown and remembered; an empty box means the default.
      std::map<int, std::string> current;
      for (int k = links::PortNames::kFirstPort; k <= links::PortNames::kLastPort; ++k) {
        const std::string device = live.Names().Device(k);
        if (device != links::PortNames::DefaultDevice(k)) current[k] = device;
      }
      PortsDialog dialog(links::ListPorts, current, &window);
      if (dialog.exec() != QDialog::Accepted) return;
      const auto devices = dialog.Assignments();
      if (!SavePortAssignments(devices)) {
        std::cerr << "tvxorm: the port assignments could not be saved" << std::endl;
      }
      ApplyPortAssignments(live.Window(), live.Names(), devices);
      ShowPortDevices(view, live.Names());
      view.Refresh();
    });
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen) window.resize(window.OpeningSize(screen->availableGeometry().size()));
  window.show();

  if (!options.screenshot.empty()) {
    QTimer::singleShot(kSettleMs, &view, [&] {
      const bool saved = SaveScreenshot(window, view, options.screenshot);
      if (!saved) std::cerr << "tvxorm: cannot write '" << options.screenshot << "'" << std::endl;
      app.exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}

}  // namespace tvx::app
