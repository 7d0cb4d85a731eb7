#pragma once

#include <string>
#include <string_view>

namespace tvx::protocol {

// "<" + two upper-case hexadecimal digits + ">", for example "<1B>".
std::string Token(unsigned char byte);

// The bytes with every control byte (codes below 32) shown as its token.
std::string DisplayForm(std::string_view bytes);

}  // namespace tvx::protocol
