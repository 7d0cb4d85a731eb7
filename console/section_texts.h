#pragma once

// Section titles and help texts, exactly as operators know them (trailing blanks included).
namespace tvx::console::section_texts {

struct SectionText {
  const char* title;
  const char* help;
};

inline constexpr SectionText kAC1{
    "Andon Cell Commands",
    "You have entered the 'Andon Cell Commands' section. Please make your selections and click "
    "'Send' to execute them."};
inline constexpr SectionText kAC2{
    "Andon Cell Commands (AC2)",
    "You have entered the 'Andon Cell Commands 2' section. Please make your selections and "
    "click 'Send' to execute them."};
inline constexpr SectionText kMRQ{
    "Message Marquee Commands",
    "You have entered the 'Message Marquee Commands' section. Please type your desired message "
    "and click 'Send' to display it."};
inline constexpr SectionText kNUM{
    "Numeric Display Commands",
    "You have entered the 'Numeric Display Commands' section. Please type your desired number "
    "and click 'Send' to display it."};
inline constexpr SectionText kTU1{
    "Tune ",
    "You have entered the 'Tune' section. Please type your desired tune, any optional "
    "parameters, and then click 'Send' to play it."};
inline constexpr SectionText kTU2{
    "Tune ",
    "You have entered the 'Tune' section that will play a tune at twice the normal speed. "
    "Please type your desired tune, any optional parameters, and then click 'Send' to play it."};
inline constexpr SectionText kVL1{
    "Tune Volume",
    "You have entered the 'Tune Volume' section. Please enter the group, unit and serial number "
    "for your sign and your desired volume and channel, then click 'Send'."};
inline constexpr SectionText kSL1{
    "Change the status of a stack light",
    "Please input the row number and select the attribution,then click 'Send'."};
inline constexpr SectionText kSDM{"Set Display Mode",
                                  "Please input the template number,then click 'Send'."};
inline constexpr SectionText kMisc{
    "Miscellaneous Commands",
    "You have entered the 'Miscellaneous Commands' section. Please type your desired packet and "
    "click 'Send'."};
inline constexpr SectionText kTest{
    "Lamp Test ",
    "You have entered the 'Lamp Test ' section. Please click 'Send' to perform a Lamp Test."};
inline constexpr SectionText kClear{
    "Clear ", "You have entered the 'Clear ' section. Please click 'Send' to perform a Clear."};
inline constexpr SectionText kDiag{
    "Diagnostics ",
    "You have entered the 'Diagnostics ' section. Please click 'Send' to perform Diagnostics."};
inline constexpr SectionText kBoot{
    "Soft-Boot ",
    "You have entered the 'Soft-Boot ' section. Please click 'Send' to perform a software "
    "re-boot of the system."};
inline constexpr SectionText kSVN{
    "Software Version Number ",
    "You have entered the 'Software Version Number ' section. This command will display the "
    "software version number of the head-end controller as well as other bootup information. "
    "Please click 'Send'."};
inline constexpr SectionText kModSN{
    "Modify Serial Number ",
    "You have entered the 'Modify Serial Number ' section. Please type your desired Serial "
    "Number above and click 'Send'."};
inline constexpr SectionText kSGU{
    "Set Group and Unit ",
    "You have entered the 'Set Group and Unit ' section. Please select your desired Group and "
    "Unit addresses for TVX Bus Device #s 1-6 and click 'Send'. If you wish to disable a certain "
    "TVX Bus Device Set, enter '00' for both Group and Unit."};
inline constexpr SectionText kSBT{
    "Set Board Type ", "Enter the board type in box to the right and Click 'Send' to enter."};
inline constexpr SectionText kSBS{
    "Set Board Sub-Type ",
    "Enter the board sub-type in box to the right and Click 'Send' to enter."};
inline constexpr SectionText kSLI{
    "Set LED Intensity ",
    "You have entered the 'Set LED Intensity' section. Please click your desired value (1-18) "
    "then click 'Send'."};
inline constexpr SectionText kSFD{
    "Set Fader Level ",
    "You have entered the 'Set Fader Level ' section. Please enter your desired value from 0 - "
    "99 then click 'Send'."};
inline constexpr SectionText kSAC{
    "Set # of Columns ",
    "You have entered the 'Set # of Columns ' section. Please type your desired value and click "
    "'Send'."};
inline constexpr SectionText kSMB{
    "Set Maquee Brightness  ",
    "You have entered the 'Set Marquee Brightness' section. Please enter desired value (from 0 - "
    "15) for 'Regular' AND 'Lamp Test' then click 'Send'."};
inline constexpr SectionText kSOR{
    "Set ORMII flag ",
    "You have entered the 'Set ORMII flag ' section. Please click your desired value then click "
    "'Send'."};
inline constexpr SectionText kSMD{
    "Set Marquee Detect type ",
    "You have entered the 'Set Marquee Detect' section. Please click your desired value then "
    "click 'Send'."};

}  // namespace tvx::console::section_texts
