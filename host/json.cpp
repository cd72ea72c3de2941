#include "json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tqhost {
namespace {

// Every field starts with its name; a comma parts it from the one before.
void AddValue(JsonObject &object, std::string_view name, std::string_view json) {
    if (!object.fields.empty()) {
        object.fields += ',';
    }
    object.fields += '"';
    object.fields += name;
    object.fields += "\":";
    object.fields += json;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc{}) {
        return "null";
    }
    return std::string(buffer, end);
}

void AddString(JsonObject &object, std::string_view name, std::string_view text) {
    AddValue(object, name, JsonString(text));
}

void AddNumber(JsonObject &object, std::string_view name, double value) {
    AddValue(object, name, JsonNumber(value));
}

void AddInteger(JsonObject &object, std::string_view name, long long value) {
    AddValue(object, name, std::to_string(value));
}

void AddBool(JsonObject &object, std::string_view name, bool value) {
    AddValue(object, name, value ? "true" : "false");
}

void AddNull(JsonObject &object, std::string_view name) { AddValue(object, name, "null"); }

void AddObject(JsonObject &object, std::string_view name, const JsonObject &value) {
    AddValue(object, name, JsonText(value));
}

void AddStrings(JsonObject &object, std::string_view name,
                const std::vector<std::string_view> &texts) {
    std::string array = "[";
    for (std::string_view text : texts) {
        array += array.size() > 1 ? "," : "";
        array += JsonString(text);
    }
    array += ']';
    AddValue(object, name, array);
}

std::string JsonText(const JsonObject &object) { return "{" + object.fields + "}"; }

}  // namespace tqhost
