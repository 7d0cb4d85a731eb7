#pragma once

#include <string>
#include <string_view>

// Status lines of the send workflow and the Misc command, exactly as operators know them.
namespace tvx::console::texts {

inline constexpr const char* kAddressMissing =
    "ERROR: You must specify the Group and Unit address of your target device.";
inline constexpr const char* kAddressNotNumeric =
    "ERROR: The Group and Unit address must be a non-negative numeric value.";
// Every refusal and failure line starts so.
inline constexpr std::string_view kErrorPrefix = "ERROR: ";
inline constexpr const char* kNoCommandInput = "No command input!";
inline constexpr const char* kCommandSent = "The command is sent";

inline std::string SerialWriteFailed(int port) {
  return "ERROR: The packet could not be written to comm port " + std::to_string(port) + ".";
}
inline constexpr const char* kTcpWriteFailed =
    "ERROR: The packet could not be written to the TCP/IP connection.";

inline constexpr const char* kApplicationTitle = "TVXORM";

}  // namespace tvx::console::texts
