#include "app/CliJsonFields.h"
#include "app/CliListJson.h"
#include "task/TaskList.h"

namespace tv {

namespace {

class CExportVisitor {
  public:
    CExportVisitor(CJson& object, PasswordView passwords)
        : m_object(object), m_passwords(passwords) {}

    template <class T>
    void operator()(const char* key, const T& field) {
        m_object[key] = Convert(field);
    }
    void operator()(const char* key, const std::string& field) {
        const bool hide =
            m_passwords == PasswordView::Hidden && !field.empty() && IsPasswordKey(key);
        m_object[key] = hide ? CJson{{kHiddenKey, true}} : TextToJson(field);
    }

  private:
    static CJson Convert(int32_t v) { return v; }
    static CJson Convert(uint32_t v) { return v; }
    static CJson Convert(int64_t v) { return v; }
    template <int32_t Initial>
    static CJson Convert(const CRecordOwned<Initial>& v) {
        return int32_t(v);
    }
    static CJson Convert(const std::vector<std::string>& items) {
        CJson array = CJson::array();
        for (const auto& item : items) {
            array.push_back(TextToJson(item));
        }
        return array;
    }
    CJson Convert(const CTag& tag) const {
        CJson object = CJson::object();
        CExportVisitor visitor(object, m_passwords);
        VisitTagFields(tag, visitor);
        return object;
    }
    CJson Convert(const std::vector<CTag>& tags) const {
        CJson array = CJson::array();
        for (const auto& tag : tags) {
            array.push_back(Convert(tag));
        }
        return array;
    }
    CJson Convert(const CSchedule& schedule) const {
        CJson object = CJson::object();
        CExportVisitor visitor(object, m_passwords);
        VisitScheduleFields(schedule, visitor);
        return object;
    }

    CJson& m_object;
    PasswordView m_passwords;
};

}  // namespace

CJson TaskListToJson(const CTaskList& list, PasswordView passwords) {
    CJson tasks = CJson::array();
    for (const auto& task : list.m_Tasks) {
        CJson object = CJson::object();
        CExportVisitor visitor(object, passwords);
        VisitElementFields(static_cast<const CElement&>(*task), visitor);
        tasks.push_back(std::move(object));
    }
    CJson json = CJson::object();
    json["version"] = TextToJson(list.m_strVersion);
    json["tasks"] = std::move(tasks);
    return json;
}

}  // namespace tv
