// JSON text as tqcal --json writes it: strings, numbers, and objects built
// field by field, so that an object is only ever appended to and its text
// is whole whenever it is read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tqhost {

// JSON string literal for text (quotes included).
std::string JsonString(std::string_view text);

// A double as a JSON number in its shortest exact form; null when not finite.
std::string JsonNumber(double value);

// An object under construction: its fields in the order they were added.
struct JsonObject {
    std::string fields;  // "\"a\":1,\"b\":true", without the braces
};

// Appends a field to object; name is written as it is (the names are ours,
// plain ASCII). Each takes the value in its own type, so that every value
// written is whole JSON.
void AddString(JsonObject &object, std::string_view name, std::string_view text);
void AddNumber(JsonObject &object, std::string_view name, double value);
void AddInteger(JsonObject &object, std::string_view name, long long value);
void AddBool(JsonObject &object, std::string_view name, bool value);
void AddNull(JsonObject &object, std::string_view name);
void AddObject(JsonObject &object, std::string_view name, const JsonObject &value);
void AddStrings(JsonObject &object, std::string_view name,
                const std::vector<std::string_view> &texts);

// The object's text: "{", its fields, "}".
std::string JsonText(const JsonObject &object);

}  // namespace tqhost
