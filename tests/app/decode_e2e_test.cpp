#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <string>

#include "tests/app/e2e_support.h"

// tvxorm decode and send --dry-run as the real program, with real pipes and a full device.
namespace tvx::e2e {
namespace {

// Items show while the input is still open: a serial line never ends.
TEST(Decode, StandardInputIsDecodedAsItArrives) {
  QProcess process;
  process.start(ProgramPath(), {"decode", "-"});
  ASSERT_TRUE(process.waitForStarted());
  const std::string bytes = std::string("\x02") + "0000\x1bSVN\x04" + "\x02" + "00";
  process.write(bytes.data(), static_cast<qint64>(bytes.size()));
  std::string out;
  for (int i = 0; i < 500 && out.find('\n') == std::string::npos; ++i) {
    process.waitForReadyRead(20);
    out += process.readAllStandardOutput().toStdString();
  }
  EXPECT_EQ(out, "<02>0000<1B>SVN<04>  SVN to the whole bus (0000)\n");
  process.closeWriteChannel();
  ASSERT_TRUE(process.waitForFinished(10000));
  EXPECT_EQ(process.readAllStandardOutput().toStdString(),
            "<02>00  not a packet: packet cut off at the end of the input\n");
  EXPECT_EQ(process.exitCode(), 1);
}

// Standard output on a full disk or closed: the command fails and says why, small output or
// large, and nothing the program opens takes the closed output's place.
TEST(Decode, OutputThatCannotBeWrittenIsAFailureWithItsReason) {
  const QStringList commands[] = {
      {"decode", "<02>0000<1B>SVN<04>"},
      {"decode", "--json", "--hex", QString("02 ").repeated(40000)},
      {"decode", "--help"},
      {"send", "--dry-run", "SVN"},
  };
  const std::pair<const char*, const char*> outputs[] = {{">/dev/full", "No space left on device"},
                                                         {">&-", "Bad file descriptor"}};
  for (const QStringList& args : commands) {
    for (const auto& [redirect, reason] : outputs) {
      QProcess process;
      process.start(
          "/bin/sh",
          QStringList{"-c", QString("exec \"$0\" \"$@\" ") + redirect, ProgramPath()} << args);
      ASSERT_TRUE(process.waitForFinished(30000));
      const std::string err = process.readAllStandardError().toStdString();
      const std::string what = args.join(' ').left(30).toStdString() + " " + redirect;
      EXPECT_NE(process.exitCode(), 0) << what;
      EXPECT_NE(err.find(std::string("cannot write the output: ") + reason), std::string::npos)
          << what << ": " << err;
    }
  }
}

}  // namespace
}  // namespace tvx::e2e
