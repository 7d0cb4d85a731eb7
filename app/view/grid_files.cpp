#include "app/view/grid_files.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include "andon/grid_file.h"
#include "app/view/console_window.h"
#include "app/view/main_view.h"

namespace tvx::app {

namespace {

// In the andon section's free room below the grid and its "Pri" label, left-aligned with it.
const QRect kSavePlace(10, 248, 100, 28);
const QRect kLoadPlace(116, 248, 100, 28);

// The picker the grid's tab order ends with: the buttons come right after it.
constexpr char kLastPicker[] = "ORM610SecG";

QString& LastFolder() {
  static QString folder;
  return folder;
}

}  // namespace

QString ChooseGridFile(QWidget* parent, GridFileAction action) {
  const bool save = action == GridFileAction::kSave;
  QFileDialog dialog(parent, save ? QObject::tr("Save andon grid") : QObject::tr("Load andon grid"),
                     LastFolder());
  dialog.setNameFilters({QObject::tr("Andon grids (*.grid)"), QObject::tr("All files (*)")});
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("grid"));
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString file = dialog.selectedFiles().constFirst();
  LastFolder() = QFileInfo(file).absolutePath();
  return file;
}

void AddGridFileButtons(ConsoleWindow& window, MainView& view, window::FrmMain& w,
                        const GridFileChooser& choose) {
  QWidget* frame = view.WidgetOf(w.CommandDataFrame->Name());
  if (!frame) return;
  auto* save = new QPushButton(QObject::tr("&Save grid..."), frame);
  save->setObjectName("SaveGridButton");
  save->setGeometry(kSavePlace);
  save->setToolTip(QObject::tr("Write the grid as it stands to a file"));
  auto* load = new QPushButton(QObject::tr("&Load grid..."), frame);
  load->setObjectName("LoadGridButton");
  load->setGeometry(kLoadPlace);
  load->setToolTip(QObject::tr("Set the grid to a saved one; the next Send transmits it"));

  const auto show = [&window](const andon::GridFileOutcome& outcome) {
    window.ShowMessage(QString::fromStdString(outcome.message), !outcome.ok);
  };
  // Afterwards the keys go back to the section, so that F1 sends (the buttons take none of
  // the console's keys).
  QObject::connect(save, &QPushButton::clicked, &window, [&window, &view, &w, choose, show] {
    const QString file = choose(&window, GridFileAction::kSave);
    if (file.isEmpty()) return;
    show(andon::SaveGridFile(w, file.toStdString()));
    view.FocusFirstField();
  });
  QObject::connect(load, &QPushButton::clicked, &window, [&window, &view, &w, choose, show] {
    // Refused before asking: no file is chosen for nothing.
    if (const std::string refusal = andon::LoadRefusal(w); !refusal.empty()) {
      show({false, refusal});
      return;
    }
    const QString file = choose(&window, GridFileAction::kLoad);
    if (file.isEmpty()) return;
    show(andon::LoadGridFile(w, file.toStdString()));
    view.Refresh();
    view.FocusFirstField();
  });

  // Shown with the grid. The view re-chains its own widgets when a section changes their
  // places, so the buttons take their place after the pickers each time they appear.
  const auto follow = [&view, &w, save, load] {
    const bool shown = andon::GridInUse(w);
    if (save->isHidden() != shown) return;
    save->setVisible(shown);
    load->setVisible(shown);
    if (!shown) return;
    if (QWidget* last = view.WidgetOf(kLastPicker)) QWidget::setTabOrder(last, save);
    QWidget::setTabOrder(save, load);
  };
  QObject::connect(&view, &MainView::Refreshed, save, follow);
  save->hide();
  load->hide();
  follow();
}

}  // namespace tvx::app
