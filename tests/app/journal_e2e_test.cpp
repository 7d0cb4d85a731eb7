#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/journal_file.h"
#include "tests/app/e2e_support.h"
#include "tests/support/temp_dir.h"

// The journal of the real program over a real pty and a loopback listener: what the far end
// received is what the journal says was written, and an entry on disk survives a kill.
namespace tvx::e2e {
namespace {

std::vector<console::JournalEntry> Entries(const QString& path) {
  std::vector<console::JournalEntry> entries;
  app::ReadJournal(
      {path.toStdString()},
      [&entries](console::JournalEntry&& e) {
        entries.push_back(std::move(e));
        return true;
      },
      nullptr);
  return entries;
}

const std::string kNum =
    "click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 77\nclick SendButton\n"
    "wait 300\n";

TEST(Journal, EntriesNameTheirLinkAndHoldWhatTheFarEndReceived) {
  QTemporaryDir dir;
  const QString journal = dir.filePath("journal.jsonl");
  Pty pty;
  Listener listener;
  const ConsoleRun run = RunConsole(kNum + ConnectTcp(listener.Port()) + kNum,
                                    Comm(pty.Path()) << "--journal" << journal);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const auto entries = Entries(journal);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].link, protocol::Link::Serial);
  EXPECT_EQ(entries[0].destination, "Comm 1 = " + pty.Path());
  EXPECT_EQ(entries[0].Bytes(), pty.Drain());
  EXPECT_EQ(entries[1].link, protocol::Link::Tcp);
  EXPECT_EQ(entries[1].destination, "127.0.0.1:" + std::to_string(listener.Port()));
  EXPECT_EQ(entries[1].Bytes(), listener.received);
  for (const auto& e : entries) {
    EXPECT_TRUE(e.written);
    EXPECT_EQ(e.status, "The 'Number ' command has been sent to Group = 01, Unit = 02");
  }

  // send journals alike; --no-journal writes nothing.
  const ConsoleRun sent =
      RunProgram({"send", "--serial", QString::fromStdString(pty.Path()), "--journal", journal,
                  "NUM", "group=1", "unit=2", "number=5"});
  ASSERT_EQ(sent.exit_code, 0) << sent.err;
  const ConsoleRun quiet = RunProgram({"send", "--serial", QString::fromStdString(pty.Path()),
                                       "--no-journal", "NUM", "group=1", "unit=2", "number=6"});
  ASSERT_EQ(quiet.exit_code, 0) << quiet.err;
  const auto after = Entries(journal);
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[2].destination, pty.Path());
  EXPECT_EQ(after[2].Bytes(), std::string("\x02"
                                          "0102\x1bNUM5N1A\x04"));
}

TEST(Journal, EveryEntryWrittenBeforeAKillIsThere) {
  testing::TempDir dir;
  const QString journal = QString::fromStdString(dir.File("journal.jsonl"));
  const QString script =
      QString::fromStdString(dir.Write("script.tvx", kNum + kNum + kNum + "wait 600000\n"));
  Pty pty;
  QProcess program;
  program.start(ProgramPath(), QStringList{"--headless", "--script", script, "--journal", journal}
                                   << Comm(pty.Path()));
  QElapsedTimer clock;
  clock.start();
  while (Entries(journal).size() < 3 && clock.elapsed() < 30000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    program.waitForFinished(20);
  }
  program.kill();  // no chance to flush anything more
  program.waitForFinished(5000);
  const auto entries = Entries(journal);
  ASSERT_EQ(entries.size(), 3u);
  for (const auto& e : entries) EXPECT_EQ(e.Command(), "NUM");
}

TEST(Journal, AJournalThatCannotBeWrittenIsReportedOnceAndSendingGoesOn) {
  testing::TempDir dir;
  dir.Write("plain", "");  // no directory can be made under a plain file
  Pty pty;
  const ConsoleRun run = RunConsole(
      kNum + kNum, Comm(pty.Path())
                       << "--journal" << QString::fromStdString(dir.File("plain/j.jsonl")));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("the journal is not being written"), std::string::npos) << run.err;
  EXPECT_EQ(pty.Drain(), std::string("\x02"
                                     "0102\x1bNUM77N1A\x04\x02"
                                     "0102\x1bNUM77N1A\x04"));
}

}  // namespace
}  // namespace tvx::e2e

namespace tvx::e2e {
namespace {

// Standard output full or closed is no success, in either form.
TEST(Journal, AStandardOutputThatCannotBeWrittenIsReported) {
  testing::TempDir dir;
  const QString journal = QString::fromStdString(dir.File("journal.jsonl"));
  Pty pty;
  ASSERT_EQ(RunConsole(kNum, Comm(pty.Path()) << "--journal" << journal).exit_code, 0);
  const struct {
    const char* redirect;
    std::string reason;
  } outputs[] = {{">/dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}};
  for (const auto& output : outputs) {
    for (const char* form : {"", " --csv"}) {
      QProcess process;
      process.start("/bin/sh",
                    {"-c", "exec \"$0\" journal \"$1\"" + QString(form) + " " + output.redirect,
                     ProgramPath(), journal});
      ASSERT_TRUE(process.waitForFinished(20000));
      EXPECT_EQ(process.exitCode(), 1) << output.redirect << form;
      EXPECT_EQ(process.readAllStandardError().toStdString(),
                "tvxorm journal: cannot write to standard output: " + output.reason + "\n");
    }
  }
}

}  // namespace
}  // namespace tvx::e2e
