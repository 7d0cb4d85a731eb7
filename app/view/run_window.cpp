#include "app/view/run_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "app/journal_mark.h"
#include "app/journal_recorder.h"
#include "app/live_console.h"
#include "app/port_settings.h"
#include "app/preset_file.h"
#include "app/view/console_window.h"
#include "app/view/grid_files.h"
#include "app/view/journal_panel.h"
#include "app/view/main_view.h"
#include "app/view/ports_dialog.h"
#include "app/view/preset_controls.h"
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
// In the left column, below the free room for the presets.
const QRect kJournalButtonPlace(10, 572, 80, 24);
// The panel's height when it first opens: a dozen entries, the console still in view.
constexpr int kJournalPanelHeight = 220;
// The file's last entries from before the start that the panel lists.
constexpr std::size_t kEarlierEntries = 200;

// Which device each Comm option opens.
void ShowPortDevices(MainView& view, const links::PortNames& names) {
  for (int port = links::PortNames::kFirstPort; port <= links::PortNames::kLastPort; ++port) {
    if (QWidget* option = view.WidgetOf("Comm" + std::to_string(port) + "Option")) {
      option->setToolTip(
          QStringLiteral("Comm %1 = %2").arg(port).arg(QString::fromStdString(names.Device(port))));
    }
  }
}

// The journal panel at the bottom, shown and hidden by "Journal" in the left column; a grid
// stopped by an event ends its journal entry at the refresh after it.
void InstallJournalPanel(ConsoleWindow& window, MainView& view, LiveConsole& live,
                         JournalRecorder& journal, const JournalOptions& options) {
  JournalPanel::Earlier earlier;
  if (!options.off) {
    earlier = [mark = JournalMark(options.Path())] { return mark.EntriesBefore(kEarlierEntries); };
  }
  auto* panel = new JournalPanel(
      std::move(earlier),
      [&live](const console::JournalEntry& entry) { return live.Console().SendAgain(entry); },
      [&window](const QString& text, bool error) { window.ShowMessage(text, error); }, &window);
  window.addDockWidget(Qt::BottomDockWidgetArea, panel);
  panel->hide();
  journal.Journal().AddListener([panel](const console::JournalEntry& entry) { panel->Add(entry); });
  QObject::connect(&view, &MainView::Refreshed, &view, [&live] { live.Console().SettleJournal(); });

  auto* button = new QPushButton(QObject::tr("&Journal"), &view);
  button->setObjectName("JournalButton");
  button->setToolTip(QObject::tr("Shows what was sent, when, where, and how it went"));
  button->setCheckable(true);
  button->setGeometry(kJournalButtonPlace);
  QObject::connect(button, &QPushButton::toggled, panel, [&window, panel](bool on) {
    panel->setVisible(on);
    // Its first height only: later the operator's own stays.
    if (on && !panel->property("sized").toBool()) {
      window.resizeDocks({panel}, {kJournalPanelHeight}, Qt::Vertical);
      panel->setProperty("sized", true);
    }
  });
  QObject::connect(panel, &QDockWidget::visibilityChanged, button,
                   [panel, button] { button->setChecked(!panel->isHidden()); });
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
  // The model's controls are clicked now; the window's own buttons (Ports...) once it is up.
  std::vector<std::string> window_clicks;
  for (const std::string& name : options.clicks) {
    if (window::Control* control = live.Window().controls.Find(name)) {
      view.Click(*control);
    } else {
      window_clicks.push_back(name);
    }
  }
  live.AfterTick([&view] { view.RefreshChanged(); });
  // A peer may close between ticks; the status bar says so at once. Queued: the change may
  // come from inside the console's own call.
  QObject::connect(
      &live.Socket(), &links::QtSocketControl::StateChanged, &view,
      [&view] { view.RefreshChanged(); }, Qt::QueuedConnection);
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
        // They still hold for this run; the operator must know the next start forgets them.
        std::cerr << "tvxorm: the port assignments could not be saved" << std::endl;
        QMessageBox::warning(&window, QObject::tr("Serial ports"),
                             QObject::tr("The port assignments apply now but could not be "
                                         "saved; the next start will not know them."));
      }
      ApplyPortAssignments(live.Window(), live.Names(), devices);
      ShowPortDevices(view, live.Names());
      view.Refresh();
    });
  }
  JournalRecorder journal(live, options.journal, [&window](const std::string& warning) {
    std::cerr << "tvxorm: " << warning << std::endl;
    window.ShowMessage(QString::fromStdString(warning), true);
  });
  InstallJournalPanel(window, view, live, journal, options.journal);

  AddGridFileButtons(window, view, live.Window());
  InstallPresetControls(view, window, live.Window(), PresetFilePath());
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize available = screen ? screen->availableGeometry().size() : window.WholeSize();
  // Without a window manager nobody maximizes and there is no frame: this size stays.
  window.resize(window.OpeningSize(available));
  if (window.OpensMaximized(available)) {
    window.showMaximized();
  } else {
    window.show();
  }

  std::vector<QAbstractButton*> buttons;
  for (const std::string& name : window_clicks) {
    auto* button = window.findChild<QAbstractButton*>(QString::fromStdString(name));
    if (!button) {
      std::cerr << "tvxorm: unknown control '" << name << "'" << std::endl;
      return 2;
    }
    buttons.push_back(button);
  }
  // A button may open a dialog whose own loop runs until the screenshot ends the program.
  if (!buttons.empty()) {
    QTimer::singleShot(0, &window, [buttons] {
      for (QAbstractButton* button : buttons) button->click();
    });
  }

  if (!options.screenshot.empty()) {
    QTimer::singleShot(kSettleMs, &view, [&] {
      // An open dialog is what the clicks were for: it is the picture.
      QWidget* shown = QApplication::activeModalWidget();
      const bool saved = SaveScreenshot(shown ? *shown : window, view, options.screenshot);
      if (!saved) std::cerr << "tvxorm: cannot write '" << options.screenshot << "'" << std::endl;
      app.exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}

}  // namespace tvx::app
