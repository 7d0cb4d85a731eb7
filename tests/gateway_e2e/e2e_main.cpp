#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

// The end-to-end tests serve loopback listeners on their own event loop.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The programs run here journal and remember settings: never into the user's own files.
  QTemporaryDir home;
  qputenv("XDG_STATE_HOME", (home.path() + "/state").toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
