#pragma once

#include <string>

// What the builders report: the refusals of a command's own checks and the line shown once a
// packet is out, exactly as operators know them.
namespace tvx::protocol::texts {

// Refusals.
inline constexpr const char* kNumberMissing =
    "ERROR: You must specify the number that you wish to send.";
inline std::string NotNumeric(int digits) {
  return "ERROR: Please enter only a numeric value. This value must be no longer than " +
         std::to_string(digits) + " digits.";
}
inline constexpr const char* kTemplateMissing =
    "ERROR: You must specify the template number that you wish to send.";
inline constexpr const char* kRowMissing = "ERROR: You must specify the row that you wish to send.";
inline constexpr const char* kTuneMissing =
    "ERROR: You must specify the Tune number that you wish to send (0-255).";
inline constexpr const char* kTuneOutOfRange =
    "ERROR: Please enter only a numeric value. This value must be between 0 and 255 "
    "inclusively.";
inline constexpr const char* kBadAssignment =
    "ERROR: The Group and Unit address assignments must be non-negative numeric values. If you "
    "wish to disable a particular device set, assign '00' to its Group and '00' to its Unit.";
inline constexpr const char* kBadSubType =
    "ERROR: Please enter only Alpha-Numeric Values including a hyphen, if needed, and no longer "
    "than 15 characters.";
inline constexpr const char* kFaderMissingSerial =
    "ERROR: You must specify the number (from 0-99) that you wish to send.";
inline constexpr const char* kFaderMissingTcp =
    "ERROR: You must specify a number (from 0-99) that you wish to send.";
inline constexpr const char* kIntensityMissing =
    "ERROR: You must specify the number (from 1-18) that you wish to send.  The max intensity is "
    "18 and the minimum intensity is 1.";
inline constexpr const char* kIntensityNotNumeric =
    "ERROR: Please enter only a numeric value (1-18).";
inline constexpr const char* kRegularMissing =
    "ERROR: You must specify a number for Regular intensity (from 0-15) that you wish to send.";
inline constexpr const char* kLampTestMissing =
    "ERROR: You must specify a number for Lamp Test intensity (from 0-15) that you wish to send.";
inline constexpr const char* kBrightnessNotNumeric =
    "ERROR: Please enter only a numeric value from 0 - 15.";

// Sent lines.
inline std::string SentTo(const std::string& what, const std::string& group,
                          const std::string& unit) {
  return "The '" + what + "' command has been sent to Group = " + group + ", Unit = " + unit;
}
inline std::string SentToSerial(const std::string& what, const std::string& serial_field) {
  return "The '" + what + "' command has been sent to serial # " + serial_field;
}
inline constexpr const char* kDisplayModeSent = "The 'SDM' command has been sent";
inline constexpr const char* kSoftwareVersionSent = "SVN command sent";
inline constexpr const char* kSoftBootSent = "The 'Soft-Boot' command has been sent.";
inline constexpr const char* kModifySerialSent =
    "The 'Modify Serial Number ' command has been sent.";
inline constexpr const char* kBrightnessSent =
    "The 'Set Marquee Brightness' command has been sent.";

}  // namespace tvx::protocol::texts
