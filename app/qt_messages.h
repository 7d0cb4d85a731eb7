#pragma once

namespace tvx::app {

// For the commands without a window, whose standard error is read by people and scripts as
// the command's own: Qt's notes and warnings stay off it (TVX_QT_WARNINGS=1 shows them), and
// its critical and fatal messages come as one line of the command's, so a real problem still
// shows. prefix starts each line ("tvxorm send").
void KeepQtMessagesOffStandardError(const char* prefix);

}  // namespace tvx::app
