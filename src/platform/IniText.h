#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The text of an INI file as a list of lines, edited one value at a time. Lines that are not
// touched by an edit come back out byte for byte, whatever they hold, so a hand-edited or
// damaged file loses nothing it had. Values before the first "[section]" line belong to the
// section "". Section and value names are matched without regard to ASCII case and written in
// the spelling given. Values are stored with "\\", "\n", "\r" and "\0" escapes, so any byte
// string round-trips. Not thread-safe; the caller serialises access.
class CIniText {
  public:
    explicit CIniText(std::string_view text);

    std::optional<std::string> Find(std::string_view section, std::string_view name) const;
    void Set(std::string_view section, std::string_view name, std::string_view value);
    // Removes every entry of that name in that section; false when there was none.
    bool Remove(std::string_view section, std::string_view name);
    std::string Text() const;

    // Names that the file format can hold unambiguously: no line breaks, no "]" in a section
    // name, no "=" in a value name, no surrounding blanks, no leading "[", ";" or "#".
    static bool IsValidSection(std::string_view section);
    static bool IsValidName(std::string_view name);

  private:
    enum class EKind { Header, Entry, Other };
    struct SLine {
        std::string m_strText;
        EKind m_eKind = EKind::Other;
        std::string m_strSection;  // of the header, or of the section the line belongs to
        std::string m_strName;     // entries only
    };

    bool IsEntry(const SLine& line, std::string_view section, std::string_view name) const;
    size_t InsertPosition(std::string_view section) const;

    std::vector<SLine> m_lines;
};

}  // namespace tv
