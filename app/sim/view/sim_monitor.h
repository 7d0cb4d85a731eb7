#pragma once

#include <QListWidget>
#include <QString>
#include <vector>

// The simulator's live monitor: one line per decoded item or note, errors in red with an
// icon (not colour alone). Keeps the newest kMaxLines and stays at the end unless the user
// has scrolled up to read.
namespace tvx::app {

class MonitorList : public QListWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxLines = 5000;

  explicit MonitorList(QWidget* parent = nullptr);

  struct Line {
    QString text;
    bool error = false;
  };
  // Appends lines in one go: a burst of packets lays the list out once.
  void Append(const std::vector<Line>& lines);
  static bool IsError(const QListWidgetItem& item);
  // What marks an error line beside its colour.
  static QIcon ErrorIcon();
};

}  // namespace tvx::app
