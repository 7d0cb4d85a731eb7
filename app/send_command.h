#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tvx::app {

// Exit statuses of `tvxorm send`.
inline constexpr int kSendOk = 0;
inline constexpr int kSendLinkFailed = 1;
inline constexpr int kSendBadUsage = 2;
inline constexpr int kSendRefused = 3;

class StopSignals;

// tvxorm send [--tcp HOST:PORT | --serial DEVICE] [--dry-run] COMMAND [FIELD=VALUE]...
// args are those after "send". Needs a QCoreApplication unless --dry-run or --help. A signal
// caught by stop ends the transmission where it is: journaled as far as it went, reported,
// and the exit status is the one a shell gives a program the signal killed.
int RunSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const StopSignals* stop = nullptr);

std::string SendUsage();

}  // namespace tvx::app
