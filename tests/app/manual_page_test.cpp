#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <set>
#include <string>

#include "tests/app/e2e_support.h"

// The manual page keeps up with the program: every option any of its usage texts prints is
// in the page.
namespace tvx::e2e {
namespace {

TEST(ManualPage, NamesEveryOptionTheProgramPrints) {
  QFile page(TVX_MANUAL_PAGE);
  ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << TVX_MANUAL_PAGE;
  // In roff a hyphen is written \-.
  const std::string text = QString::fromUtf8(page.readAll()).replace("\\-", "-").toStdString();

  std::set<std::string> options;
  // Each command's usage: asked for, or printed with a complaint.
  for (const QStringList& args :
       {QStringList{"--help"}, QStringList{"send", "--help"}, QStringList{"sim", "--help"},
        QStringList{"gateway", "--help"}, QStringList{"decode"}, QStringList{"journal", "--since"},
        QStringList{"journal", "--help"}}) {
    const ConsoleRun run = RunProgram(args);
    const QString usage = QString::fromStdString(run.out + run.err);
    auto found = QRegularExpression("--[a-z][a-z-]*").globalMatch(usage);
    while (found.hasNext()) options.insert(found.next().captured().toStdString());
  }
  EXPECT_GT(options.size(), 20u) << "the usage texts were read";
  for (const std::string& option : options) {
    EXPECT_NE(text.find(option), std::string::npos) << option << " is not in the manual page";
  }
}

}  // namespace
}  // namespace tvx::e2e
