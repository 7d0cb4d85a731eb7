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

// Send again, from the journal: the window's own words, not the console's status lines.
inline constexpr const char* kResendDuringGrid =
    "Not sent again: an andon grid is going out; send again when it is done.";
inline constexpr const char* kResendNothing = "Not sent again: the entry holds no bytes.";
inline std::string SentAgain(std::size_t bytes, const std::string& where) {
  return "Sent again: " + std::to_string(bytes) + " bytes to " + where + ".";
}
inline std::string NotSentAgain(const std::string& where, const std::string& why) {
  return "Not sent again: " + where + " did not take the bytes" + (why.empty() ? "" : ": " + why) +
         ".";
}

}  // namespace tvx::console::texts
