#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// JSON for the gateway's messages. The reader is bounded (size and nesting are checked while
// reading, so a hostile payload costs nothing beyond its limits) and keeps a number as its
// text; the writer builds compact objects.
namespace tvx::gateway {

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
  bool boolean = false;
  std::string text;  // a string's UTF-8, or a number as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;  // in order, as written

  // The member's value, or nullptr.
  const JsonValue* Find(std::string_view name) const;
};

struct JsonError {
  std::string message;
};

struct JsonLimits {
  std::size_t max_bytes = 64 * 1024;
  int max_depth = 16;
};

[[nodiscard]] std::variant<JsonValue, JsonError> ParseJson(std::string_view text,
                                                           JsonLimits limits = {});

// A UTF-8 text as a JSON string, quotes included.
std::string JsonString(std::string_view utf8);
// The console's characters (one byte each, Latin-1) as UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// A compact object, member by member.
class JsonObject {
 public:
  JsonObject& Add(std::string_view name, std::string_view utf8);
  JsonObject& Add(std::string_view name, const char* utf8) {
    return Add(name, std::string_view(utf8));
  }
  JsonObject& Add(std::string_view name, std::int64_t number);
  JsonObject& Add(std::string_view name, int number) {
    return Add(name, static_cast<std::int64_t>(number));
  }
  JsonObject& Add(std::string_view name, bool value);
  JsonObject& AddNull(std::string_view name);
  // A value that is JSON already.
  JsonObject& AddRaw(std::string_view name, std::string_view json);
  std::string Text() const { return text_ + "}"; }

 private:
  void Name(std::string_view name);
  std::string text_ = "{";
};

// Appends members (JSON text "\"a\":1,...") to a JSON object's text, before its closing brace.
std::string WithMembers(std::string_view object, std::string_view members);

}  // namespace tvx::gateway
