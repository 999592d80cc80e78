#include "app/CliListJson.h"

#include <gtest/gtest.h>

#include "task/TaskList.h"

namespace {

tv::CTaskList Import(const std::string& text) {
    tv::CTaskList list;
    tv::TaskListFromJsonText(text, list);
    return list;
}

std::string ImportError(const std::string& text) {
    try {
        Import(text);
    } catch (const tv::CJsonImportError& e) {
        return e.what();
    }
    return "no error";
}

TEST(CliListJsonTest, ImportSaysWhereAndWhatIsWrong) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"tasks": [{}, {"m_Source": {"m_strHostname": "x"}}]})",
         R"(tasks[1].m_Source: unknown key "m_strHostname")"},
        {R"({"tasks": [{"m_Schedule": {"H7": 1}}]})", R"(tasks[0].m_Schedule: unknown key "H7")"},
        {R"({"task": []})", R"(unknown key "task")"},
        {R"({"tasks": [{"m_nPort": 21}]})", R"(tasks[0]: unknown key "m_nPort")"},
        {R"({"tasks": [{"m_nMaxSizeMb": "10"}]})", "tasks[0].m_nMaxSizeMb: expected an integer"},
        {R"({"tasks": [{"m_dwOptions": -1}]})", "m_dwOptions: expected an integer from 0 to"},
        {R"({"tasks": [{"m_nAgeValue": 2147483648}]})", "got 2147483648"},
        {R"({"tasks": [{"m_nAgeValue": 1.5}]})", "got number"},
        {R"({"tasks": [{"m_bDialUp": true}]})", "got boolean"},
        {R"({"tasks": [{"m_strName": 5}]})", "m_strName: expected a string or"},
        {R"({"tasks": [{"m_ExcludedItems": [{"bytes_hex": "f"}]}]})",
         "m_ExcludedItems[0]: bytes_hex needs two hex digits"},
        {R"({"tasks": [{"m_Targets": [{"m_strPath": {"bytes_hex": "zz"}}]}]})",
         "tasks[0].m_Targets[0].m_strPath: bytes_hex holds"},
        {R"({"tasks": [{"m_nTaskId": 4}, {"m_nTaskId": 4}]})", "already taken by tasks[0]"},
        {R"({"tasks": [{"m_nTaskId": 0}]})", "expected a positive id"},
        {R"({"tasks": [{"m_bTargetsInTurn": 1, "m_dwOptions2": 0}]})", "disagrees with bit"},
        {R"({"version": "2.00", "tasks": []})", R"(version: expected "590")"},
        {R"([])", "expected an object"},
        {R"({"tasks": [{"m_strName": "x",}]})", "not valid JSON"},
        {R"({"tasks": [{"m_nAgeValue": 70e270150}]})", "not valid JSON: number overflow"},
        {R"({"tasks": [{"m_Targets": [{"m_strPath": {"bytes_hex": [[]]}}]}]})", "nested deeper"},
    };
    for (const auto& [text, message] : cases) {
        const std::string error = ImportError(text);
        EXPECT_NE(error.find(message), std::string::npos) << text << "\n  gave: " << error;
    }
}

TEST(CliListJsonTest, FieldsReachTheirMembers) {
    const auto list = Import(R"({"tasks": [{
        "m_strName": "Photos", "m_dwOptions4": 8, "m_timePeriodTo": -86400,
        "m_strExcludeMasks": "*.tmp *.bak",
        "m_Source": {"m_strUser": "anna", "m_strPassword": "secret", "m_nTransferType": 4000000000},
        "m_Targets": [{}, {"m_strPath": {"bytes_hex": "2f6dff"}}],
        "m_Schedule": {"G": 99, "H6": -6},
        "m_dwOptions2": 256}]})");
    ASSERT_EQ(list.m_Tasks.size(), 1u);
    const tv::CElement& task = *list.m_Tasks[0];
    EXPECT_EQ(task.m_nTaskId, -1);
    EXPECT_EQ(task.m_strName, "Photos");
    EXPECT_EQ(task.m_dwOptions4, 8u);
    EXPECT_EQ(task.m_timePeriodTo, -86400);
    EXPECT_EQ(task.m_strExcludeMasks, "*.TMP *.BAK");
    EXPECT_EQ(task.m_Source.m_strUser, "anna");
    EXPECT_EQ(task.m_Source.m_strPassword, "secret");
    EXPECT_EQ(task.m_Source.m_nTransferType, 4000000000u);
    EXPECT_EQ(task.m_Source.m_nPort, 21);
    ASSERT_EQ(task.m_Targets.size(), 2u);
    EXPECT_EQ(task.m_Targets[1].m_strPath, "/m\xff");
    EXPECT_EQ(task.m_Schedule.G, 99);
    EXPECT_EQ(task.m_Schedule.H[5], -6);
    EXPECT_EQ(task.m_bTargetsInTurn, 1);
    EXPECT_EQ(int32_t(task.m_nReserved3), 1);
    EXPECT_EQ(task.m_dwOptions3, 0x800u);
}

TEST(CliListJsonTest, BytesThatAreNotUtf8TravelAsHex) {
    EXPECT_EQ(tv::TextToJson("caf\xc3\xa9"), "caf\xc3\xa9");
    const tv::CJson escaped = tv::TextToJson(std::string("a\xff\xed\xa0\x80\0", 6));
    EXPECT_EQ(escaped.dump(), R"({"bytes_hex":"61ffeda08000"})");
    EXPECT_EQ(tv::TextFromJson(tv::CInputJson::parse(escaped.dump()), "x"),
              std::string("a\xff\xed\xa0\x80\0", 6));
    EXPECT_EQ(tv::TextFromJson(tv::CInputJson::parse(R"({"bytes_hex": "C3A9"})"), "x"), "\xc3\xa9");
}

TEST(CliListJsonTest, TheFlagOfConsecutiveTargetsSetsItsOptionBit) {
    const auto list = Import(R"({"tasks": [{"m_bTargetsInTurn": 1}, {"m_dwOptions2": 2}]})");
    EXPECT_EQ(list.m_Tasks[0]->m_dwOptions2, 0x100u);
    EXPECT_EQ(list.m_Tasks[1]->m_bTargetsInTurn, 0);
    EXPECT_EQ(list.m_Tasks[1]->m_dwOptions2, 2u);
}

// What a dumped record takes at least, whatever its values and spacing: each key with its
// quotes and colon, one character of value (a nested record at its own least), the commas.
size_t LeastBytes(const tv::CJson& json) {
    if (json.is_array()) {
        return 2;
    }
    if (!json.is_object()) {
        return 1;
    }
    size_t bytes = 2 + (json.empty() ? 0 : json.size() - 1);
    for (const auto& [key, value] : json.items()) {
        bytes += key.size() + 3 + LeastBytes(value);
    }
    return bytes;
}

// The import's bounds grow with the input by what a dumped task and target take at least, so
// they can never refuse a dump; a small input still cannot ask for a huge list.
TEST(CliListJsonTest, TheImportBoundsTakeEveryDumpAndRefuseSmallInputsOfHugeLists) {
    tv::CTaskList list;
    list.m_Tasks.push_back(std::make_unique<tv::CElement>());
    list.m_Tasks[0]->m_Targets.resize(1);
    tv::CJson task = tv::TaskListToJson(list)["tasks"][0];
    EXPECT_GE(LeastBytes(task["m_Targets"][0]), tv::kMinDumpedTargetBytes);
    task["m_Targets"] = tv::CJson::array();
    EXPECT_GE(LeastBytes(task), tv::kMinDumpedTaskBytes);

    std::string many = R"({"tasks": [)";
    for (size_t i = 0; i < tv::kMaxImportTasks; ++i) {
        many += "{},";
    }
    EXPECT_NE(ImportError(many + "{}]}").find("more than 100000 tasks"), std::string::npos);
}

}  // namespace
