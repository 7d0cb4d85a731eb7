#include <gtest/gtest.h>

#include <QCoreApplication>

// The end-to-end tests serve loopback listeners on their own event loop.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
