// Language files are anyone's files. Whatever the bytes, reading one must not crash, and every
// text it takes must format safely with the arguments that its built-in text is formatted with.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/PrintfFormat.h"
#include "base/StringTable.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// Deliberately without a format attribute: the format is the text under test.
void Format(const char* format, ...) {
    char out[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(out, sizeof out, format, args);
    va_end(args);
}

// The arguments that the program passes with each kind of built-in text.
void FormatWith(const std::string& text, const std::vector<std::string>& arguments) {
    std::string kinds;
    for (const std::string& argument : arguments) {
        kinds += argument + ",";
    }
    const char* format = text.c_str();
    if (kinds.empty()) {
        Format(format);
    } else if (kinds == "s,") {
        Format(format, "/home/me/a.txt");
    } else if (kinds == "d,") {
        Format(format, 42);
    } else if (kinds == "s,s,") {
        Format(format, "/src/a", "/dst/a");
    } else if (kinds == "s,d,s,") {
        Format(format, "/src", 7, "/dst");
    } else if (kinds == "d,d,") {
        Format(format, 3, 4);
    } else {
        // A built-in text with new kinds of arguments: this target must learn them.
        Check(false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const tv::CLanguageTexts texts = tv::ReadLanguageTexts(content);
    for (const auto& [id, text] : texts.m_Texts) {
        const auto arguments = tv::PrintfArguments(tv::LoadBuiltInString(id));
        Check(arguments.has_value());
        Check(tv::PrintfArguments(text) == arguments);
        FormatWith(text, *arguments);
    }
    return 0;
}
