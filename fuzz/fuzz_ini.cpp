// The profile is a text file that people edit by hand. Whatever it holds, reading it gives
// every line back as it was, and an edit changes what it names and nothing else, also after
// the text is written and read again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/IniText.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool SameEntry(const std::string& s1, const std::string& n1, const std::string& s2,
               const std::string& n2) {
    const auto lower = [](std::string s) {
        for (char& c : s) {
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        }
        return s;
    };
    return lower(s1) == lower(s2) && lower(n1) == lower(n2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string name = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(256);
    const std::string otherSection = input.ConsumeRandomLengthString(64);
    const std::string otherName = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    tv::CIniText ini(text);
    const bool endsInLine = text.empty() || text.back() == '\n';
    Check(ini.Text() == (endsInLine ? text : text + "\n"));
    if (!tv::CIniText::IsValidSection(section) || !tv::CIniText::IsValidName(name)) {
        return 0;
    }
    const auto other = ini.Find(otherSection, otherName);
    const bool sameEntry = SameEntry(section, name, otherSection, otherName);

    ini.Set(section, name, value);
    const tv::CIniText written(ini.Text());
    for (const tv::CIniText* edited : {&std::as_const(ini), &written}) {
        Check(edited->Find(section, name) == value);
        Check(sameEntry || edited->Find(otherSection, otherName) == other);
    }

    ini.Remove(section, name);
    const tv::CIniText removed(ini.Text());
    for (const tv::CIniText* edited : {&std::as_const(ini), &removed}) {
        Check(!edited->Find(section, name));
        Check(sameEntry || edited->Find(otherSection, otherName) == other);
    }
    return 0;
}
