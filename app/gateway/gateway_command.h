#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class QCoreApplication;

namespace tvx::app {

// `tvxorm gateway ...`: args are those after "gateway", version is the program's. Runs until
// SIGINT or SIGTERM (then 0); 1 when it cannot start, 2 for bad usage (see gateway_args.h).
int RunGateway(QCoreApplication& app, const std::vector<std::string>& args,
               const std::string& version, std::ostream& out, std::ostream& err);

}  // namespace tvx::app
