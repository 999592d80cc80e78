#include "app/CliJsonFields.h"
#include "app/CliListJson.h"
#include "task/TaskList.h"

namespace tv {

namespace {

class CExportVisitor {
  public:
    explicit CExportVisitor(CJson& object) : m_object(object) {}

    template <class T>
    void operator()(const char* key, const T& field) {
        m_object[key] = Convert(field);
    }

  private:
    static CJson Convert(int32_t v) { return v; }
    static CJson Convert(uint32_t v) { return v; }
    static CJson Convert(int64_t v) { return v; }
    template <int32_t Initial>
    static CJson Convert(const CRecordOwned<Initial>& v) {
        return int32_t(v);
    }
    static CJson Convert(const std::string& v) { return TextToJson(v); }
    static CJson Convert(const std::vector<std::string>& items) {
        CJson array = CJson::array();
        for (const auto& item : items) {
            array.push_back(TextToJson(item));
        }
        return array;
    }
    static CJson Convert(const CTag& tag) {
        CJson object = CJson::object();
        CExportVisitor visitor(object);
        VisitTagFields(tag, visitor);
        return object;
    }
    static CJson Convert(const std::vector<CTag>& tags) {
        CJson array = CJson::array();
        for (const auto& tag : tags) {
            array.push_back(Convert(tag));
        }
        return array;
    }
    static CJson Convert(const CSchedule& schedule) {
        CJson object = CJson::object();
        CExportVisitor visitor(object);
        VisitScheduleFields(schedule, visitor);
        return object;
    }

    CJson& m_object;
};

}  // namespace

CJson TaskListToJson(const CTaskList& list) {
    CJson tasks = CJson::array();
    for (const auto& task : list.m_Tasks) {
        CJson object = CJson::object();
        CExportVisitor visitor(object);
        VisitElementFields(static_cast<const CElement&>(*task), visitor);
        tasks.push_back(std::move(object));
    }
    CJson json = CJson::object();
    json["version"] = TextToJson(list.m_strVersion);
    json["tasks"] = std::move(tasks);
    return json;
}

}  // namespace tv
