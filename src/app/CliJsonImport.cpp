#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "app/CliJsonFields.h"
#include "app/CliListJson.h"
#include "base/Utf.h"
#include "task/TaskList.h"

namespace tv {

namespace {

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw CJsonImportError(where + ": " + what);
}

std::string Quoted(const std::string& key) {
    return CInputJson(key).dump();
}

template <class T>
T ReadInteger(const CInputJson& json, const std::string& where) {
    using Limits = std::numeric_limits<T>;
    if (json.is_number_unsigned()) {
        const auto value = json.get<uint64_t>();
        if (value <= static_cast<uint64_t>(Limits::max())) {
            return static_cast<T>(value);
        }
    } else if (json.is_number_integer()) {
        const auto value = json.get<int64_t>();
        if (value >= static_cast<int64_t>(Limits::min())) {
            return static_cast<T>(value);
        }
    }
    const std::string got = json.is_number_integer() ? json.dump() : json.type_name();
    Fail(where, "expected an integer from " + std::to_string(Limits::min()) + " to " +
                    std::to_string(Limits::max()) + ", got " + got);
}

void RequireType(const CInputJson& json, bool ok, const char* expected, const std::string& where) {
    if (!ok) {
        Fail(where, std::string("expected ") + expected + ", got " + json.type_name());
    }
}

// The targets that the rest of the list may still have.
struct CTargetBudget {
    size_t m_nLimit = 0;
    size_t m_nLeft = 0;
};

// Reads one JSON object into one record, field by field, and remembers which keys it knows.
class CImporter {
  public:
    CImporter(const CInputJson& object, std::string where, CTargetBudget& targets)
        : m_object(object), m_where(std::move(where)), m_targets(targets) {}

    template <class T>
    void operator()(const char* key, T& field) {
        m_known.emplace_back(key);
        const auto it = m_object.find(key);
        if (it != m_object.end()) {
            Read(*it, field, m_where + "." + key);
        }
    }

    bool Has(const char* key) const { return m_object.contains(key); }

    void RejectUnknownKeys() const {
        for (const auto& [key, value] : m_object.items()) {
            if (std::find(m_known.begin(), m_known.end(), key) == m_known.end()) {
                Fail(m_where, "unknown key " + Quoted(key));
            }
        }
    }

  private:
    template <class T>
    void Read(const CInputJson& json, T& field, const std::string& where) {
        field = ReadInteger<T>(json, where);
    }
    template <int32_t Initial>
    void Read(const CInputJson& json, CRecordOwned<Initial>& field, const std::string& where) {
        field = ReadInteger<int32_t>(json, where);
    }
    void Read(const CInputJson& json, std::string& field, const std::string& where) {
        field = TextFromJson(json, where);
    }
    void Read(const CInputJson& json, std::vector<std::string>& items, const std::string& where) {
        RequireType(json, json.is_array(), "an array of strings", where);
        items.clear();
        for (size_t i = 0; i < json.size(); ++i) {
            items.push_back(TextFromJson(json[i], where + "[" + std::to_string(i) + "]"));
        }
    }
    void Read(const CInputJson& json, CTag& tag, const std::string& where) {
        RequireType(json, json.is_object(), "an object (a location)", where);
        CImporter importer(json, where, m_targets);
        VisitTagFields(tag, importer);
        importer.RejectUnknownKeys();
    }
    void Read(const CInputJson& json, std::vector<CTag>& tags, const std::string& where) {
        RequireType(json, json.is_array(), "an array of locations", where);
        if (json.size() > m_targets.m_nLeft) {
            Fail(where, "more than " + std::to_string(m_targets.m_nLimit) +
                            " targets in a list of this size");
        }
        m_targets.m_nLeft -= json.size();
        tags.assign(json.size(), CTag());
        for (size_t i = 0; i < json.size(); ++i) {
            Read(json[i], tags[i], where + "[" + std::to_string(i) + "]");
        }
    }
    void Read(const CInputJson& json, CSchedule& schedule, const std::string& where) {
        RequireType(json, json.is_object(), "an object (the schedule block)", where);
        CImporter importer(json, where, m_targets);
        VisitScheduleFields(schedule, importer);
        importer.RejectUnknownKeys();
    }

    const CInputJson& m_object;
    std::string m_where;
    CTargetBudget& m_targets;
    std::vector<std::string_view> m_known;
};

// The record keeps the flag and options word 2 in step; the JSON form may give either or both.
void ReconcileTargetsInTurn(const CImporter& importer, CElement& task, const std::string& where) {
    if (!importer.Has("m_bTargetsInTurn")) {
        task.m_bTargetsInTurn = task.Has2(opt2::kTargetsInTurn) ? 1 : 0;
        return;
    }
    if (task.m_bTargetsInTurn != 0 && task.m_bTargetsInTurn != 1) {
        Fail(where + ".m_bTargetsInTurn", "expected 0 or 1");
    }
    if (importer.Has("m_dwOptions2") &&
        task.Has2(opt2::kTargetsInTurn) != (task.m_bTargetsInTurn == 1)) {
        Fail(where, "m_bTargetsInTurn disagrees with bit 0x100 of m_dwOptions2");
    }
    task.m_dwOptions2 = task.m_bTargetsInTurn ? task.m_dwOptions2 | opt2::kTargetsInTurn
                                              : task.m_dwOptions2 & ~opt2::kTargetsInTurn;
}

std::unique_ptr<CElement> ReadTask(const CInputJson& json, const std::string& where,
                                   CTargetBudget& targets) {
    RequireType(json, json.is_object(), "an object (a task)", where);
    auto task = std::make_unique<CElement>();
    CImporter importer(json, where, targets);
    VisitElementFields(*task, importer);
    importer.RejectUnknownKeys();
    if (task->m_nTaskId == 0 || task->m_nTaskId < -1) {
        Fail(where + ".m_nTaskId", "expected a positive id, or -1 for a new one");
    }
    ReconcileTargetsInTurn(importer, *task, where);
    // Masks are kept upper-cased, as the settings dialog stores them.
    task->m_strExcludeMasks = Utf8ToUpper(task->m_strExcludeMasks);
    task->m_strIncludeMasks = Utf8ToUpper(task->m_strIncludeMasks);
    return task;
}

std::vector<std::unique_ptr<CElement>> ReadTasks(const CInputJson& json,
                                                 const CImportLimits& limits) {
    RequireType(json, json.is_array(), "an array of tasks", "tasks");
    if (json.size() > limits.m_nTasks) {
        Fail("tasks",
             "more than " + std::to_string(limits.m_nTasks) + " tasks in an input of this size");
    }
    std::vector<std::unique_ptr<CElement>> tasks;
    std::map<int32_t, size_t> indexById;
    CTargetBudget targets{limits.m_nTargets, limits.m_nTargets};
    for (size_t i = 0; i < json.size(); ++i) {
        const std::string where = "tasks[" + std::to_string(i) + "]";
        tasks.push_back(ReadTask(json[i], where, targets));
        const int32_t id = tasks.back()->m_nTaskId;
        if (id != -1 && !indexById.emplace(id, i).second) {
            Fail(where + ".m_nTaskId", "id " + std::to_string(id) + " is already taken by tasks[" +
                                           std::to_string(indexById[id]) + "]");
        }
    }
    return tasks;
}

void TaskListFromJson(const CInputJson& json, const CImportLimits& limits, CTaskList& list) {
    if (!json.is_object()) {
        Fail("the input", "expected an object with the keys \"version\" and \"tasks\", got " +
                              std::string(json.type_name()));
    }
    for (const auto& [key, value] : json.items()) {
        if (key == "version") {
            if (!value.is_string() || value.get<std::string>() != kCurrentListVersionText) {
                Fail("version", std::string("expected \"") + kCurrentListVersionText +
                                    "\", the layout that is written");
            }
        } else if (key != "tasks") {
            Fail("the input", "unknown key " + Quoted(key));
        }
    }
    const auto tasks = json.find("tasks");
    if (tasks != json.end()) {
        list.m_Tasks = ReadTasks(*tasks, limits);
    }
}

// Deep nesting is refused before the parse, by a scan of the brackets outside strings: the
// parser's own callback would look through a whole array each time one of its objects ends,
// which makes a list of many tasks take time by the square of their number.
void RejectDeepNesting(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            i += c == '\\' ? 1 : 0;
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (depth >= kMaxImportDepth) {
                Fail("the input", "nested deeper than a task list can be");
            }
            ++depth;
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
}

}  // namespace

CImportLimits ImportLimitsFor(size_t inputBytes) {
    CImportLimits limits;
    limits.m_nTasks = std::max(kMaxImportTasks, inputBytes / kMinDumpedTaskBytes);
    limits.m_nTargets = std::max(kMaxImportTargets, inputBytes / kMinDumpedTargetBytes);
    return limits;
}

void TaskListFromJsonText(std::string_view text, CTaskList& list) {
    if (text.size() > kMaxImportBytes) {
        Fail("the input", "larger than " + std::to_string(kMaxImportBytes >> 30) + " GiB");
    }
    RejectDeepNesting(text);
    CInputJson json;
    try {
        json = CInputJson::parse(text);
    } catch (const CInputJson::exception& e) {  // syntax errors and numbers out of range
        const std::string_view what = e.what();
        const size_t tag = what.find("] ");
        Fail("the input",
             "not valid JSON: " +
                 std::string(tag == std::string_view::npos ? what : what.substr(tag + 2)));
    }
    TaskListFromJson(json, ImportLimitsFor(text.size()), list);
}

}  // namespace tv
