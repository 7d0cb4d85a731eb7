#pragma once

#include <string>
#include <string_view>

#include "protocol/decode.h"

// A decoded item as people and programs read it: `tvxorm decode` prints these, the simulator's
// monitor prints them with where the bytes came from.
namespace tvx::app {

// "<02>0102<1B>NUM1234N1A<04>  NUM to group 01 unit 02: number 1234, attribute ON": the
// item's token text (protocol::TokenText: it reads back as the same bytes), two blanks, its
// description. scratch is reused between calls.
void AppendItemText(std::string& out, const protocol::DecodedItem& item, std::string& scratch);

// Text a description quotes from a packet (a message, an address) as one line of UTF-8: every
// control byte (below 0x20, 0x7F to 0x9F), the no-break space and the soft hyphen as its token,
// and a "<" that would read as the start of a token as <3C>, so that a quoted "<1A>" and the
// byte 0x1A never look alike.
void AppendQuotedText(std::string& out, std::string_view latin1);

// The members of the item's JSON object, without its braces, keys in a fixed order:
// "kind", "text" (token text), "hex", "description", then "reason" or "command", "code",
// "envelope", "address", "group", "unit", ["serial",] "fields".
void AppendItemJsonMembers(std::string& out, const protocol::DecodedItem& item);

// A JSON string of text that is UTF-8 already, or Latin-1 to be encoded: quotes, backslashes
// and control bytes escaped.
void AppendJson(std::string& out, std::string_view text, bool latin1);

}  // namespace tvx::app
