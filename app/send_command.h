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

// tvxorm send [--tcp HOST:PORT | --serial DEVICE] [--dry-run] COMMAND [FIELD=VALUE]...
// args are those after "send". Needs a QCoreApplication unless --dry-run or --help.
int RunSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string SendUsage();

}  // namespace tvx::app
