// The yardstick of tvx_window_start: the least a Qt 6 Widgets program does to show a window.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("TVXORM"));
  label.show();
  return app.exec();
}
