#include "app/qt_messages.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <string>

#include "app/files.h"

namespace tvx::app {

namespace {

const char* g_prefix = "tvxorm";
bool g_warnings = false;

void Handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
  const bool shown =
      type == QtCriticalMsg || type == QtFatalMsg || (type == QtWarningMsg && g_warnings);
  if (!shown) return;
  const char* kind = type == QtWarningMsg ? "warning" : "internal error";
  // One line, whatever the message holds.
  const std::string line = PrintableName(message.toStdString());
  std::fprintf(stderr, "%s: %s: %s\n", g_prefix, kind, line.c_str());
  std::fflush(stderr);
}

}  // namespace

void KeepQtMessagesOffStandardError(const char* prefix) {
  g_prefix = prefix;
  g_warnings = qEnvironmentVariableIntValue("TVX_QT_WARNINGS") != 0;
  qInstallMessageHandler(Handle);
}

}  // namespace tvx::app
