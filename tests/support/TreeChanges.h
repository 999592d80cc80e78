#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace tvtest {

// One change a run made to one of its sides, or one a plan announces.
enum class Change { Write, Delete, MakeFolder, RemoveFolder, Times, Mode };

// (side: 'S' or 'T', path relative to the side's root, change)
using CChange = std::tuple<char, std::string, Change>;
using CChanges = std::set<CChange>;

// What a folder tree holds, entry by entry: enough to tell a write from a touch.
struct CEntryState {
    bool m_bFolder = false;
    std::string m_content;
    long long m_mtime = 0;
    unsigned m_mode = 0;
};
using CTreeState = std::map<std::string, CEntryState>;

// Every entry below `root` (links not followed). Folder times are left out: they move with
// what the folder holds.
CTreeState ReadTreeState(const std::filesystem::path& root);

// The changes from `before` to `after` of the side `side`. A file whose content changed is a
// write whatever else changed with it.
void AddTreeChanges(char side, const CTreeState& before, const CTreeState& after,
                    CChanges& changes);

// Every entry of the files and folders below `roots`, byte for byte with times and modes, as
// one text: two states are equal when nothing below changed.
std::string Fingerprint(const std::initializer_list<std::filesystem::path>& roots);

std::string ChangeText(const CChange& change);

}  // namespace tvtest
