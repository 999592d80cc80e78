#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "app/CliListJson.h"
#include "support/TestEnv.h"
#include "task/TaskList.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct CRun {
    int m_exit = -1;
    std::string m_out;
    std::string m_err;
};

class MirrantTest : public ::testing::Test {
  protected:
    // Runs the real program with the isolated environment of this test.
    CRun Mirrant(std::vector<std::string> args) {
        args.insert(args.begin(), MIRRANT_PATH);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const fs::path out = m_home.Root() / "stdout";
        const fs::path err = m_home.Root() / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = 0;
        CRun run;
        int status = 0;
        if (posix_spawn(&pid, MIRRANT_PATH, &actions, nullptr, argv.data(), environ) == 0 &&
            waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            run.m_exit = WEXITSTATUS(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        run.m_out = tvtest::ReadFile(out);
        run.m_err = tvtest::ReadFile(err);
        return run;
    }

    std::string Write(const std::string& name, const std::string& content) {
        tvtest::WriteFile(m_home.Root() / name, content);
        return (m_home.Root() / name).string();
    }
    std::string PathOf(const std::string& name) const { return (m_home.Root() / name).string(); }

    tvtest::CIsolatedHome m_home;
};

// One task in JSON form with every field present, set to a value of its own that no
// default has, so a field that is lost, swapped or reset shows.
Json FullTask(int id, int& counter) {
    tv::CTaskList list;
    list.m_Tasks.push_back(std::make_unique<tv::CElement>());
    list.m_Tasks[0]->m_Targets.resize(2);
    Json task = Json::parse(tv::TaskListToJson(list).dump())["tasks"][0];
    const auto distinct = [&counter](Json& object, auto& self) -> void {
        for (auto& [key, value] : object.items()) {
            if (value.is_object()) {
                self(value, self);
            } else if (value.is_array()) {
                for (auto& entry : value) {
                    self(entry, self);
                }
            } else {
                value = value.is_string() ? Json("v" + std::to_string(++counter) + " \u00e9")
                                          : Json(1000 + ++counter);
            }
        }
    };
    distinct(task, distinct);
    task["m_nTaskId"] = id;
    task["m_dwOptions2"] = 0x100 | 0x4;
    task["m_bTargetsInTurn"] = 1;
    task["m_nNextTarget"] = 1;
    task["m_strExcludeMasks"] = "*.TMP *.\u00c9T\u00c9";
    task["m_strIncludeMasks"] = "*.JPG";
    task["m_Source"]["m_bOwnConnectSettings"] = 1;
    task["m_Targets"][0]["m_bOwnConnectSettings"] = 1;
    task["m_Targets"][1]["m_bOwnConnectSettings"] = 1;
    task["m_Targets"][1]["m_strPath"] = {{"bytes_hex", "2f6d6e742ffffe"}};
    task["m_ExcludedItems"] = Json::array({"/Temp", Json::object({{"bytes_hex", "2f80"}})});
    return task;
}

TEST_F(MirrantTest, HelpVersionAndWhatIsNotThereYet) {
    CRun run = Mirrant({"--help"});
    EXPECT_EQ(run.m_exit, 0);
    EXPECT_NE(run.m_out.find("--make-list FILE.json OUT"), std::string::npos);
    EXPECT_NE(run.m_out.find("bytes_hex"), std::string::npos);
    run = Mirrant({"--version"});
    EXPECT_EQ(run.m_exit, 0);
    EXPECT_EQ(run.m_out.rfind("mirrant (Twinvale) 5.", 0), 0u) << run.m_out;

    run = Mirrant({"--dumplist", "x"});
    EXPECT_EQ(run.m_exit, 2);
    EXPECT_NE(run.m_err.find("'--dumplist'"), std::string::npos);
    EXPECT_EQ(Mirrant({}).m_exit, 6);
    EXPECT_FALSE(fs::exists(m_home.DataHome() / "Twinvale"));
    EXPECT_EQ(Mirrant({"/F:x.tsl", "/A"}).m_exit, 3);
}

TEST_F(MirrantTest, MadeListDumpsAsTheJsonItWasMadeFrom) {
    int counter = 0;
    const Json input = {{"version", "590"},
                        {"tasks", {FullTask(7, counter), FullTask(3, counter)}}};
    const CRun made = Mirrant({"--make-list", Write("in.json", input.dump()), PathOf("out.tsl")});
    ASSERT_EQ(made.m_exit, 0) << made.m_err;
    const CRun dumped = Mirrant({"--dump-list", PathOf("out.tsl"), "--show-passwords"});
    ASSERT_EQ(dumped.m_exit, 0) << dumped.m_err;
    EXPECT_EQ(Json::parse(dumped.m_out), input);
}

// A list of many tasks with long exclusion lists: more JSON than a small limit would read.
// Whatever --dump-list writes, --make-list takes back to the same list.
TEST_F(MirrantTest, ALargeListRoundTripsThroughItsDump) {
    int counter = 0;
    Json input = {{"version", "590"}, {"tasks", Json::array()}};
    const std::string folder = "/srv/archive/" + std::string(240, 'x') + "/";
    for (int id = 1; id <= 400; ++id) {
        Json task = FullTask(id, counter);
        for (int i = 0; i < 150; ++i) {
            task["m_ExcludedItems"].push_back(folder + std::to_string(id * 1000 + i));
        }
        input["tasks"].push_back(std::move(task));
    }
    const std::string text = input.dump();
    ASSERT_GT(text.size(), size_t{16} << 20);
    const CRun made = Mirrant({"--make-list", Write("in.json", text), PathOf("a.tsl")});
    ASSERT_EQ(made.m_exit, 0) << made.m_err;

    const CRun dumped = Mirrant({"--dump-list", PathOf("a.tsl"), "--show-passwords"});
    ASSERT_EQ(dumped.m_exit, 0) << dumped.m_err;
    ASSERT_GT(dumped.m_out.size(), text.size());
    const CRun again = Mirrant({"--make-list", Write("dump.json", dumped.m_out), PathOf("b.tsl")});
    ASSERT_EQ(again.m_exit, 0) << again.m_err;
    EXPECT_TRUE(tvtest::ReadFile(PathOf("b.tsl")) == tvtest::ReadFile(PathOf("a.tsl")));
}

TEST_F(MirrantTest, AbsentFieldsTakeTheDefaultsOfANewTask) {
    ASSERT_EQ(
        Mirrant({"--make-list", Write("in.json", R"({"tasks": [{}]})"), PathOf("a.tsl")}).m_exit,
        0);
    ASSERT_EQ(Mirrant({"--make-list", PathOf("in.json"), PathOf("b.tsl")}).m_exit, 0);
    tv::CTaskList expected;
    expected.m_Tasks.push_back(std::make_unique<tv::CElement>());
    for (const auto& [file, id] : {std::pair("a.tsl", 1), std::pair("b.tsl", 2)}) {
        expected.m_Tasks[0]->m_nTaskId = id;  // ids come from the task counter
        const CRun dumped = Mirrant({"--dump-list", PathOf(file)});
        ASSERT_EQ(dumped.m_exit, 0) << dumped.m_err;
        EXPECT_EQ(Json::parse(dumped.m_out), Json::parse(tv::TaskListToJson(expected).dump()));
    }
}

TEST_F(MirrantTest, BadJsonIsRefusedWithoutWritingAList) {
    CRun run = Mirrant({"--make-list", Write("bad.json", "{\"tasks\": [}"), PathOf("out.tsl")});
    EXPECT_EQ(run.m_exit, 5);
    EXPECT_NE(run.m_err.find("bad.json: the input: not valid JSON"), std::string::npos)
        << run.m_err;
    run = Mirrant(
        {"--make-list", Write("key.json", R"({"tasks": [{"m_strNme": ""}]})"), PathOf("out.tsl")});
    EXPECT_EQ(run.m_exit, 5);
    EXPECT_NE(run.m_err.find(R"(tasks[0]: unknown key "m_strNme")"), std::string::npos);
    EXPECT_EQ(Mirrant({"--make-list", PathOf("none.json"), PathOf("out.tsl")}).m_exit, 5);
    EXPECT_FALSE(fs::exists(PathOf("out.tsl")));
}

TEST_F(MirrantTest, ListsThatCannotBeLoadedEndWithCodeThree) {
    CRun run = Mirrant({"--dump-list", PathOf("missing.tsl")});
    EXPECT_EQ(run.m_exit, 3);
    EXPECT_NE(run.m_err.find("Can't open file"), std::string::npos) << run.m_err;
    EXPECT_EQ(run.m_out, "");
    run = Mirrant({"--dump-list", Write("text.tsl", "just some text\n")});
    EXPECT_EQ(run.m_exit, 3);
    EXPECT_NE(run.m_err.find("not a task list"), std::string::npos) << run.m_err;
}

TEST_F(MirrantTest, ADamagedListShowsItsCompleteTasksAndAWarning) {
    int counter = 0;
    const Json input = {
        {"tasks", {FullTask(1, counter), FullTask(2, counter), FullTask(3, counter)}}};
    ASSERT_EQ(Mirrant({"--make-list", Write("in.json", input.dump()), PathOf("l.tsl")}).m_exit, 0);
    const std::string bytes = tvtest::ReadFile(PathOf("l.tsl"));
    Write("cut.tsl", bytes.substr(0, bytes.size() - 20));

    const CRun run = Mirrant({"--dump-list", PathOf("cut.tsl"), "--show-passwords"});
    EXPECT_EQ(run.m_exit, 4);
    EXPECT_NE(run.m_err.find("damaged"), std::string::npos) << run.m_err;
    const Json dumped = Json::parse(run.m_out);
    ASSERT_EQ(dumped["tasks"].size(), 2u);
    EXPECT_EQ(dumped["tasks"][0], input["tasks"][0]);
    EXPECT_EQ(dumped["tasks"][1], input["tasks"][1]);
}

// A dump can land in a terminal's scroll-back, a paste or a bug report: every kind of password
// stays out of it unless asked for, and a dump without them cannot silently make a list that
// lost them.
TEST_F(MirrantTest, ADumpShowsPasswordsOnlyWhenAskedAndItsHiddenFormIsNotTakenBack) {
    int counter = 0;
    Json task = FullTask(4, counter);
    task["m_Targets"][1]["m_strPassword"] = "";
    const Json input = {{"version", "590"}, {"tasks", {task}}};
    ASSERT_EQ(Mirrant({"--make-list", Write("in.json", input.dump()), PathOf("l.tsl")}).m_exit, 0);

    const CRun hidden = Mirrant({"--dump-list", PathOf("l.tsl")});
    ASSERT_EQ(hidden.m_exit, 0) << hidden.m_err;
    Json expected = input;
    const Json marker = {{"hidden", true}};
    for (Json* owner : {&expected["tasks"][0]["m_Source"], &expected["tasks"][0]["m_Targets"][0]}) {
        for (const char* key : {"m_strPassword", "m_strProxyPassword"}) {
            EXPECT_EQ(hidden.m_out.find((*owner)[key].get<std::string>()), std::string::npos);
            (*owner)[key] = marker;
        }
    }
    expected["tasks"][0]["m_Targets"][1]["m_strProxyPassword"] = marker;
    for (const char* key : {"m_strRasPassword", "m_strServicePassword"}) {
        EXPECT_EQ(hidden.m_out.find(task[key].get<std::string>()), std::string::npos);
        expected["tasks"][0][key] = marker;
    }
    EXPECT_EQ(Json::parse(hidden.m_out), expected)
        << "only passwords are left out, empty ones show";

    CRun run = Mirrant({"--make-list", Write("dump.json", hidden.m_out), PathOf("copy.tsl")});
    EXPECT_EQ(run.m_exit, 5);
    EXPECT_NE(run.m_err.find("tasks[0].m_strRasPassword: the password was left out of the dump; "
                             "dump the list with --show-passwords"),
              std::string::npos)
        << run.m_err;
    EXPECT_FALSE(fs::exists(PathOf("copy.tsl")));

    run = Mirrant({"--show-passwords", "--dump-list", PathOf("l.tsl")});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_EQ(Json::parse(run.m_out), input);
    run = Mirrant({"--show-passwords", "--make-list", PathOf("in.json"), PathOf("copy.tsl")});
    EXPECT_EQ(run.m_exit, 2);
    EXPECT_NE(run.m_err.find("'--show-passwords' goes with '--dump-list'"), std::string::npos);
    EXPECT_NE(Mirrant({"--help"}).m_out.find("--show-passwords"), std::string::npos);
}

}  // namespace
