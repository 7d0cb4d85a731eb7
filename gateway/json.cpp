#include "gateway/json.h"

#include <cstdio>

namespace tvx::gateway {

namespace {

class Reader {
 public:
  Reader(std::string_view text, int max_depth) : text_(text), max_depth_(max_depth) {}

  std::variant<JsonValue, JsonError> Document() {
    JsonValue value;
    if (!Value(value, 1)) return JsonError{error_};
    Blanks();
    if (at_ != text_.size()) return JsonError{"not JSON: more after the value" + Where()};
    return value;
  }

 private:
  bool Fail(std::string message) {
    error_ = "not JSON: " + std::move(message) + Where();
    return false;
  }
  std::string Where() const { return " at byte " + std::to_string(at_ + 1); }

  void Blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }

  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return Fail("unexpected character");
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    Blanks();
    if (at_ == text_.size()) return Fail("unexpected end");
    const char c = text_[at_];
    if (c == '{' || c == '[') {
      if (depth > max_depth_) {
        error_ = "nested deeper than " + std::to_string(max_depth_) + " levels";
        return false;
      }
      return c == '{' ? Object(out, depth) : Array(out, depth);
    }
    if (c == '"') {
      out.type = JsonValue::Type::kString;
      return String(out.text);
    }
    if (c == 't' || c == 'f') {
      out.type = JsonValue::Type::kBool;
      out.boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      out.type = JsonValue::Type::kNull;
      return Literal("null");
    }
    return Number(out);
  }

  bool Digits() {
    const std::size_t from = at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    return at_ > from;
  }

  bool Number(JsonValue& out) {
    const std::size_t from = at_;
    if (text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (!Digits()) {
      at_ = from;
      return Fail("unexpected character");
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!Digits()) return Fail("a number's fraction has no digits");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!Digits()) return Fail("a number's exponent has no digits");
    }
    out.type = JsonValue::Type::kNumber;
    out.text = std::string(text_.substr(from, at_ - from));
    return true;
  }

  bool Hex4(char32_t& code) {
    if (text_.size() - at_ < 4) return Fail("a \\u escape needs four hex digits");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[at_++];
      code <<= 4;
      if (h >= '0' && h <= '9')
        code |= static_cast<char32_t>(h - '0');
      else if (h >= 'a' && h <= 'f')
        code |= static_cast<char32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        code |= static_cast<char32_t>(h - 'A' + 10);
      else
        return Fail("a \\u escape needs four hex digits");
    }
    return true;
  }

  static void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  // One UTF-8 character copied whole; false for bytes that are not UTF-8.
  bool Utf8Character(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[at_]);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
      length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
      length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
      length = 4, code = lead & 0x07;
    else
      return Fail("not UTF-8");
    if (text_.size() - at_ < length) return Fail("not UTF-8");
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text_[at_ + i]);
      if ((next & 0xC0) != 0x80) return Fail("not UTF-8");
      code = (code << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return Fail("not UTF-8");
    out.append(text_.substr(at_, length));
    at_ += length;
    return true;
  }

  bool String(std::string& out) {
    ++at_;  // the quote
    out.clear();
    while (true) {
      if (at_ == text_.size()) return Fail("a string has no end");
      const char c = text_[at_];
      if (c == '"') {
        ++at_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character in a string");
      if (static_cast<unsigned char>(c) >= 0x80) {
        if (!Utf8Character(out)) return false;
        continue;
      }
      ++at_;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ == text_.size()) return Fail("a string has no end");
      const char e = text_[at_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          char32_t code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF) {
            char32_t low = 0;
            if (text_.substr(at_, 2) != "\\u") return Fail("a lone surrogate escape");
            at_ += 2;
            if (!Hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone surrogate escape");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return Fail("a lone surrogate escape");
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return Fail("an unknown escape");
      }
    }
  }

  bool Array(JsonValue& out, int depth) {
    out.type = JsonValue::Type::kArray;
    ++at_;
    Blanks();
    if (at_ < text_.size() && text_[at_] == ']') {
      ++at_;
      return true;
    }
    while (true) {
      out.items.emplace_back();
      if (!Value(out.items.back(), depth + 1)) return false;
      Blanks();
      if (at_ == text_.size()) return Fail("an array has no end");
      if (text_[at_] == ']') {
        ++at_;
        return true;
      }
      if (text_[at_++] != ',') return Fail("expected ',' or ']'");
    }
  }

  bool Object(JsonValue& out, int depth) {
    out.type = JsonValue::Type::kObject;
    ++at_;
    Blanks();
    if (at_ < text_.size() && text_[at_] == '}') {
      ++at_;
      return true;
    }
    while (true) {
      Blanks();
      if (at_ == text_.size() || text_[at_] != '"') return Fail("expected a member's name");
      std::string name;
      if (!String(name)) return false;
      Blanks();
      if (at_ == text_.size() || text_[at_++] != ':') return Fail("expected ':'");
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.members.emplace_back(std::move(name), std::move(value));
      Blanks();
      if (at_ == text_.size()) return Fail("an object has no end");
      if (text_[at_] == '}') {
        ++at_;
        return true;
      }
      if (text_[at_++] != ',') return Fail("expected ',' or '}'");
    }
  }

  std::string_view text_;
  int max_depth_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return &value;
  }
  return nullptr;
}

std::variant<JsonValue, JsonError> ParseJson(std::string_view text, JsonLimits limits) {
  if (text.size() > limits.max_bytes) {
    return JsonError{"larger than " + std::to_string(limits.max_bytes / 1024) + " KiB"};
  }
  return Reader(text, limits.max_depth).Document();
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char c : latin1) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

void JsonObject::Name(std::string_view name) {
  if (text_.size() > 1) text_ += ',';
  text_ += JsonString(name);
  text_ += ':';
}

JsonObject& JsonObject::Add(std::string_view name, std::string_view utf8) {
  Name(name);
  text_ += JsonString(utf8);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view name, std::int64_t number) {
  Name(name);
  text_ += std::to_string(number);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view name, bool value) {
  Name(name);
  text_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddNull(std::string_view name) {
  Name(name);
  text_ += "null";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view name, std::string_view json) {
  Name(name);
  text_ += json;
  return *this;
}

std::string WithMembers(std::string_view object, std::string_view members) {
  const auto close = object.rfind('}');
  if (close == std::string_view::npos || members.empty()) return std::string(object);
  std::string out(object.substr(0, close));
  const auto last = out.find_last_not_of(" \t\r\n");
  const bool empty = last != std::string::npos && out[last] == '{';
  out += empty ? "" : ",";
  out += members;
  out += object.substr(close);
  return out;
}

}  // namespace tvx::gateway
