#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/view/layout_table.h"
#include "window/main_window.h"

class QKeyEvent;

namespace tvx::app {

// The console window: one widget per model control. It draws the model and hands every
// operator event to it, then refreshes itself from the model; the console's state and
// behaviour stay in the model.
class MainView : public QWidget {
  Q_OBJECT
 public:
  explicit MainView(window::FrmMain& w, QWidget* parent = nullptr);

  // Brings every widget in line with the model, setting only what differs: after an
  // operator's event, which may have changed the widgets themselves.
  void Refresh();
  // The same for the controls the model changed since they were last drawn: after a timer
  // tick or a link's change, when the widgets can only be behind the model.
  void RefreshChanged();
  // A click as the mouse makes it, and as a console script's click: nothing happens on a
  // control the operator cannot reach.
  void Click(window::Control& control);

  // The widget that draws the control of that name; nullptr for none.
  QWidget* WidgetOf(const std::string& name) const;
  // The first box of the section's own fields, else of the address, takes the keys.
  void FocusFirstField();

 signals:
  // After every refresh: what shows the model beside the layout follows it too.
  void Refreshed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Binding {
    window::Control* control;
    QWidget* widget;
    window::Color shown_back;  // what the widget's style sheet shows
    std::uint64_t drawn = 0;   // the control's change count when last drawn
  };

  void Bind(window::Control& control);
  void AddSectionTips();
  void AddErrorMark();
  void RefreshFrom(bool all);
  void RefreshErrorMark();
  void RefreshSectionGrid();
  void Connect(int index);
  void AddDeviceSetCaptions();
  void Place(Placement placement);
  void OrderTabs();
  void AppendTabChain(const window::Control& container, std::vector<QWidget*>& chain) const;
  void RefreshBinding(Binding& b, bool first);
  void RefreshBox(const Binding& b);
  void Typed(const Binding& b);
  void CaretMoved(const Binding& b);
  bool KeyDown(const Binding& b, const QKeyEvent& event);

  window::FrmMain& w_;
  std::vector<Binding> bindings_;
  std::unordered_map<const QObject*, int> index_of_;  // widget, and a box's viewport
  std::unordered_map<std::string, int> by_name_;
  std::vector<int> section_buttons_;  // bindings, in the grid's order
  Placement placement_ = Placement::kNumeric;
  QWidget* error_mark_ = nullptr;  // beside an "ERROR: " status line: not colour alone
  bool error_shown_ = false;
  bool refreshing_ = false;
  bool refreshed_ = false;
};

}  // namespace tvx::app
