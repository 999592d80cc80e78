#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "app/CliOptions.h"

namespace tv {

class CTaskList;

// The JSON form of a task list: {"version": "590", "tasks": [...]}, each task an object keyed
// by the task record's field names. A string that is not valid UTF-8 (file names are raw
// bytes) is written as {"bytes_hex": "<two hex digits per byte>"}; import accepts that form for
// any string field. Output objects keep the order of the stored task body; input is read into
// the sorted form, whose key lookups stay fast however many keys an object has.
using CJson = nlohmann::ordered_json;
using CInputJson = nlohmann::json;

inline constexpr char kBytesHexKey[] = "bytes_hex";
// A password that the dump leaves out is written as {"hidden": true}; the import refuses it, so
// that a list made again from such a dump cannot lose its passwords without a word.
inline constexpr char kHiddenKey[] = "hidden";
// True for the fields of the task record and its locations that hold a password. Pure.
bool IsPasswordKey(std::string_view key);
// Bounds on what an import builds, so that a small input cannot ask for a huge list. A list's
// own dump spells out every field of every task and target, so the bounds grow with the input
// by what a dumped task and target take at least (their keys alone, however the JSON is
// spaced): whatever --dump-list wrote is always taken back.
inline constexpr size_t kMaxImportTasks = 100'000;
inline constexpr size_t kMaxImportTargets = 100'000;  // over the whole list
inline constexpr size_t kMinDumpedTaskBytes = 1024;
inline constexpr size_t kMinDumpedTargetBytes = 256;
// Far beyond the dump of any list a person keeps, and still within reach of memory.
inline constexpr size_t kMaxImportBytes = size_t{4} << 30;

struct CImportLimits {
    size_t m_nTasks = kMaxImportTasks;
    size_t m_nTargets = kMaxImportTargets;  // over the whole list
};
CImportLimits ImportLimitsFor(size_t inputBytes);
// The nesting of the task list form: list, tasks, task, targets, target, string escape.
inline constexpr int kMaxImportDepth = 6;

// Says where the input is wrong ("tasks[2].m_Source.m_nPort: ...") and how.
class CJsonImportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

CJson TaskListToJson(const CTaskList& list, PasswordView passwords = PasswordView::Hidden);

// Fills the empty `list` from the JSON form `text`. Absent fields keep the defaults of a new
// record; syntax errors, unknown keys, wrong types, values out of range and inputs beyond the
// limits above throw CJsonImportError. Tasks without an id (absent or -1) keep -1 so that
// storing the list gives them new ids. Any thread.
void TaskListFromJsonText(std::string_view text, CTaskList& list);

CJson TextToJson(const std::string& text);
std::string TextFromJson(const CInputJson& json, const std::string& where);

}  // namespace tv
