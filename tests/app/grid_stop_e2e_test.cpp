#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <string>

#include "tests/app/e2e_support.h"
#include "tests/support/temp_dir.h"

// An andon grid going out when the program is told to stop: the cells that reached the line
// are journaled, not completed, and the program says how far it got.
namespace tvx::e2e {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Every cell set: 150 cell packets, one per 100 ms tick.
std::string FullGrid() {
  std::string grid = "tvxorm-andon-grid 1\n";
  for (int row = 0; row < 6; ++row) {
    for (int column = 0; column < 25; ++column) grid += column ? " R" : "R";
    grid += "\n";
  }
  return grid;
}

int Cells(const std::string& bytes) {
  return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\x04'));
}

QJsonObject LastEntry(const std::string& journal) {
  QFile file(Q(journal));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
  return QJsonDocument::fromJson(lines.back()).object();
}

TEST(GridStop, AGridStoppedBySignalIsJournaledAsFarAsItWentAndTheProgramSaysSo) {
  testing::TempDir dir;
  const std::string grid = dir.Write("full.grid", FullGrid());
  const struct {
    const char* how;
    int signal;
  } cases[] = {{"send", SIGTERM}, {"headless", SIGINT}, {"headless", SIGHUP}, {"send", SIGHUP}};
  for (const auto& c : cases) {
    Listener line;
    const std::string journal = dir.File(std::string(c.how) + std::to_string(c.signal) + ".jsonl");
    QStringList args;
    if (std::string(c.how) == "send") {
      args << "send"
           << "--journal" << Q(journal) << "--tcp"
           << "127.0.0.1:" + QString::number(line.Port()) << "AC1"
           << "layout=" + Q(grid) << "group=1"
           << "unit=2";
    } else {
      const std::string script = ConnectTcp(line.Port()) +
                                 "click AndonButton\ntype GroupText 1\ntype UnitText 2\n"
                                 "load-grid " +
                                 grid + "\nclick SendButton\nwait 60000\n";
      args << "--headless"
           << "--journal" << Q(journal) << "--script" << Q(dir.Write("grid.tvx", script))
           << Comm("/nonexistent/tty1");
    }
    QProcess program;
    program.start(ProgramPath(), args);
    QElapsedTimer clock;
    clock.start();
    while (Cells(line.received) < 5 && clock.elapsed() < 20000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ASSERT_GE(Cells(line.received), 5) << c.how;
    ::kill(static_cast<pid_t>(program.processId()), c.signal);
    clock.restart();
    // Promptly: far sooner than the grid's remaining 14 s.
    while (program.state() != QProcess::NotRunning && clock.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      program.waitForFinished(10);
    }
    ASSERT_EQ(program.state(), QProcess::NotRunning) << c.how << " still running";
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << c.how;
    EXPECT_EQ(program.exitCode(), 128 + c.signal) << c.how;

    const int reached = Cells(line.received);
    const std::string err = program.readAllStandardError().toStdString();
    const std::string name = c.signal == SIGTERM  ? "SIGTERM"
                             : c.signal == SIGINT ? "SIGINT"
                                                  : "SIGHUP";
    EXPECT_EQ(err, std::string(std::string(c.how) == "send" ? "tvxorm send: " : "tvxorm: ") +
                       "stopped by " + name + ": " + std::to_string(reached) +
                       " of the andon grid's 150 cells went out\n")
        << c.how;
    const QJsonObject entry = LastEntry(journal);
    EXPECT_EQ(entry["andon"].toObject()["completed"], false) << c.how;
    EXPECT_EQ(entry["andon"].toObject()["sent"].toInt(), reached) << c.how;
    EXPECT_EQ(entry["andon"].toObject()["set"].toInt(), 150) << c.how;
    EXPECT_EQ(entry["outcome"], "written") << c.how;
  }
}

}  // namespace
}  // namespace tvx::e2e
