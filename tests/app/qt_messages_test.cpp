#include "app/qt_messages.h"

#include <gtest/gtest.h>

#include <QtGlobal>
#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

// In the commands without a window, standard error holds the command's own lines only.
namespace tvx::testing {
namespace {

#ifndef _WIN32
// What the process writes to standard error meanwhile.
class CapturedStandardError {
 public:
  CapturedStandardError() : path_(dir_.File("stderr")) {
    std::fflush(stderr);
    saved_ = dup(2);
    const int file = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 2);
    close(file);
  }
  ~CapturedStandardError() { Restore(); }
  std::string Text() {
    Restore();
    return TempDir::Read(path_);
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
  }
  TempDir dir_;
  std::string path_;
  int saved_ = -1;
};

TEST(QtMessages, OnlyCriticalOnesReachStandardErrorAsOneLineOfTheCommand) {
  std::string text;
  {
    CapturedStandardError err;
    app::KeepQtMessagesOffStandardError("tvxorm send");
    qDebug("a note");
    qInfo("some information");
    qWarning("QSocketNotifier: Invalid socket 7 and type 'Read', disabling...");
    qCritical("out of\nmemory");
    text = err.Text();
  }
  qInstallMessageHandler(nullptr);
  EXPECT_EQ(text, "tvxorm send: internal error: out of<0A>memory\n");
}
#endif

}  // namespace
}  // namespace tvx::testing
