#pragma once

#include <QLayout>
#include <QList>

// Lays widgets out left to right, starting a new line where the width runs out; its height
// follows from its width, so a scroll area around it scrolls down only.
namespace tvx::app {

class FlowLayout : public QLayout {
 public:
  explicit FlowLayout(QWidget* parent, int spacing);
  ~FlowLayout() override;

  void addItem(QLayoutItem* item) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override { return items_.value(index); }
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
  QSize minimumSize() const override;
  QSize sizeHint() const override { return minimumSize(); }
  void setGeometry(const QRect& rect) override;

 private:
  // Places the items in rect when `place`; returns the height they take.
  int Arrange(const QRect& rect, bool place) const;

  QList<QLayoutItem*> items_;
  int spacing_;
};

}  // namespace tvx::app
