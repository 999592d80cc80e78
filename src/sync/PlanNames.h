#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class CElement;

// How the names of the two sides of a target are matched.
enum class NameMatch : uint8_t { Exact, IgnoreCase };

// The case a remote target gives the names it receives ("Convert file names to
// uppercase/lowercase while uploading").
enum class NameCase : uint8_t { Keep, Upper, Lower };

NameCase TargetNameCase(const CElement& task);

// `name` in the case `conversion` asks for, character by character (simple case mapping of the
// valid UTF-8 parts); bytes that are not valid UTF-8 stay as they are.
std::string ConvertNameCase(std::string_view name, NameCase conversion);

// Local names match exactly unless either side lies on a file system that folds case. An FTP
// side keeps its own rule: exact, unless a name-conversion option is on.
NameMatch ChooseNameMatch(const CElement& task, bool srcIsFtp, bool dstIsFtp, bool srcFolds,
                          bool dstFolds);

// The key under which names that match without regard to case meet: simple case folding of
// the valid UTF-8 parts; a byte that is not valid UTF-8 keeps its own value, marked so that it
// cannot meet a real character.
std::string FoldedNameKey(std::string_view name);

// Finds, among the entries of one side of a folder, the one whose name matches a name of the
// other side, in constant time. Under IgnoreCase an exact spelling wins over other spellings,
// and otherwise the entry added last; each entry is handed out once. The names must outlive
// the index.
class CNameIndex {
  public:
    static constexpr size_t npos = SIZE_MAX;

    explicit CNameIndex(NameMatch match, size_t expected = 0);

    void Add(std::string_view name, size_t id);
    // The id of the matching entry, which is then taken; npos when there is none left.
    size_t Take(std::string_view name);

  private:
    struct CEntry {
        std::string_view m_name;
        std::string_view m_key;
        uint64_t m_hash;
        size_t m_id;
        size_t m_next;  // the entry added before this one under the same key, or npos
        bool m_bTaken;
    };

    std::string_view KeyOf(std::string_view name, std::string& scratch) const;
    // The slot that holds the newest entry of `key`, or the empty slot where it would go.
    size_t SlotOf(std::string_view key, uint64_t hash) const;
    void Grow();

    NameMatch m_match;
    std::vector<CEntry> m_entries;
    // Under IgnoreCase the folded keys live here; a deque never moves them, so views stay valid.
    std::deque<std::string> m_keys;
    // Open addressing over the newest entry of each key (entry index + 1; 0 is free): one
    // allocation per folder instead of one per name, and probes that stay in one array.
    std::vector<size_t> m_slots;
    size_t m_used = 0;
};

}  // namespace tv
