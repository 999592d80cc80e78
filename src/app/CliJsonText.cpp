#include "app/CliListJson.h"

#include "base/Utf.h"

namespace tv {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string BytesFromHex(const std::string& hex, const std::string& where) {
    if (hex.size() % 2 != 0) {
        throw CJsonImportError(where + ": " + kBytesHexKey + " needs two hex digits per byte");
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            throw CJsonImportError(where + ": " + kBytesHexKey + " holds a character that is " +
                                   "not a hex digit");
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

}  // namespace

CJson TextToJson(const std::string& text) {
    if (IsValidUtf8(text)) {
        return text;
    }
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0xF];
    }
    CJson escaped = CJson::object();
    escaped[kBytesHexKey] = std::move(hex);
    return escaped;
}

bool IsPasswordKey(std::string_view key) {
    return key == "m_strPassword" || key == "m_strProxyPassword" || key == "m_strRasPassword" ||
           key == "m_strServicePassword";
}

std::string TextFromJson(const CInputJson& json, const std::string& where) {
    if (json.is_string()) {
        return json.get<std::string>();
    }
    if (json.is_object() && json.size() == 1 && json.contains(kBytesHexKey) &&
        json.at(kBytesHexKey).is_string()) {
        return BytesFromHex(json.at(kBytesHexKey).get<std::string>(), where);
    }
    if (json.is_object() && json.contains(kHiddenKey)) {
        throw CJsonImportError(where +
                               ": the password was left out of the dump; dump the list with "
                               "--show-passwords to make it again");
    }
    throw CJsonImportError(where + ": expected a string or {\"" + kBytesHexKey +
                           "\": \"...\"}, got " +
                           (json.is_object() ? "another object" : json.type_name()));
}

}  // namespace tv
