#pragma once

#include <string>

// The names of the fields commands take and packets carry: what `send` takes, what the
// decoder and the journal report, and the simulator's state and settings are keyed by.
namespace tvx::protocol::fields {

// The address.
inline constexpr char kGroup[] = "group";
inline constexpr char kUnit[] = "unit";
inline constexpr char kSerial[] = "serial";

// Andon cells.
inline constexpr char kLayout[] = "layout";
inline constexpr char kRow[] = "row";
inline constexpr char kColumn[] = "column";
inline constexpr char kSubRow[] = "sub-row";
inline constexpr char kSubColumn[] = "sub-column";
inline constexpr char kCharacters[] = "characters";
inline constexpr char kAttribute[] = "attribute";
inline constexpr char kPrimary[] = "primary";
inline constexpr char kSecondary[] = "secondary";
inline constexpr char kShade[] = "shade";

// The marquee.
inline constexpr char kMessage[] = "message";
inline constexpr char kFlash[] = "flash";
// An andon grid cell's flash code ("RS"), under the marquee's name for its flash.
inline constexpr const char* kFlashCode = kFlash;
inline constexpr char kClearHome[] = "clear-home";
inline constexpr char kCarriageReturn[] = "carriage-return";
inline constexpr char kAutoCentre[] = "auto-centre";
inline constexpr char kTemplate[] = "template";

// Numbers, tunes, the typed packet.
inline constexpr char kNumber[] = "number";
inline constexpr char kTune[] = "tune";
inline constexpr char kSeconds[] = "seconds";
inline constexpr char kRepeat[] = "repeat";
inline constexpr char kDuration[] = "duration";
inline constexpr char kPriority[] = "priority";
inline constexpr char kVolume[] = "volume";
inline constexpr char kChannel[] = "channel";
inline constexpr char kPacket[] = "packet";

// Configuration and settings.
inline constexpr char kNewSerial[] = "new-serial";
inline constexpr char kBoardType[] = "board-type";
inline constexpr char kSubBoardType[] = "sub-board-type";
inline constexpr char kIntensity[] = "intensity";
inline constexpr char kFaderLevel[] = "fader-level";
inline constexpr char kColumns[] = "columns";
inline constexpr char kRegular[] = "regular";
inline constexpr char kLampTest[] = "lamp-test";
inline constexpr char kSeries[] = "series";
inline constexpr char kDetect[] = "detect";

// SGU's device sets, DS1 to DS15: "ds1-group", "ds1-unit", ...
inline std::string DeviceSetGroup(int set) {
  return "ds" + std::to_string(set) + "-" + kGroup;
}
inline std::string DeviceSetUnit(int set) {
  return "ds" + std::to_string(set) + "-" + kUnit;
}

}  // namespace tvx::protocol::fields
