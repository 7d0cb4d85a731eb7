#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <string>

#include "tests/app/e2e_support.h"

// The window's screenshot mode, on the offscreen platform: what the README pictures are made by.
namespace tvx::e2e {
namespace {

// Width and height from a PNG's header; {0, 0} when it is not one.
std::pair<int, int> PngSize(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {0, 0};
  const QByteArray head = file.read(24);
  if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n")) return {0, 0};
  auto word = [&head](int at) {
    int value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(head[at + i]);
    return value;
  };
  return {word(16), word(20)};
}

class WindowShot : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    config_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());  // no remembered ports
  }
  void TearDown() override {
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("XDG_CONFIG_HOME", config_);
  }
  QString Out(const char* name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
  QByteArray config_;
};

TEST_F(WindowShot, ModelControlsAndWindowButtonsAreClickedAndAnOpenDialogIsThePicture) {
  const ConsoleRun window = RunProgram({"--screenshot", Out("window.png"), "--click", "NumButton"});
  ASSERT_EQ(window.exit_code, 0) << window.err;
  const ConsoleRun dialog =
      RunProgram({"--screenshot", Out("ports.png"), "--click", "PortsButton"});
  ASSERT_EQ(dialog.exit_code, 0) << dialog.err;

  const auto [window_w, window_h] = PngSize(Out("window.png"));
  const auto [dialog_w, dialog_h] = PngSize(Out("ports.png"));
  EXPECT_GT(window_w, 0);
  EXPECT_GT(dialog_w, 0);
  // The dialog is smaller than the window it opens over.
  EXPECT_LT(dialog_w * dialog_h, window_w * window_h);
}

TEST_F(WindowShot, UnknownControlsAndUnwritableFilesAreReported) {
  const ConsoleRun unknown = RunProgram({"--screenshot", Out("x.png"), "--click", "NoSuchButton"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.err.find("unknown control 'NoSuchButton'"), std::string::npos) << unknown.err;
  EXPECT_FALSE(QFile::exists(Out("x.png")));

  const ConsoleRun unwritable = RunProgram({"--screenshot", Out("missing/dir/x.png")});
  EXPECT_EQ(unwritable.exit_code, 1);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;
}

}  // namespace
}  // namespace tvx::e2e
