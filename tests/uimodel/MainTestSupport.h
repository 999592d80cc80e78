#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "run/Preview.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "task/Element.h"
#include "uimodel/MainPresenter.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunViews.h"

namespace tvtest {

namespace fs = std::filesystem;

// Scripted answers that also keep the caption of every message box.
class CCaptionDialogs : public CScriptedDialogs {
  public:
    void Message(const std::string& text, const std::string& caption) override {
        CScriptedDialogs::Message(text, caption);
        m_messages.push_back({text, caption});
    }
    std::vector<std::pair<std::string, std::string>> m_messages;
};

// What a progress window does with its run when the run starts comparing.
enum class AtCompare { Nothing, Pause, Cancel };

class CTestObserver : public tv::ITaskObserver {
  public:
    CTestObserver(tv::CElement& task, AtCompare action) : m_task(task), m_action(action) {}
    void Status(int id) override {
        if (id != tv::IDS_COMPARING_ATTRIBUTES || m_bReached.exchange(true)) {
            return;
        }
        if (m_action == AtCompare::Pause) {
            m_task.m_Run.SetPaused(true);
        } else if (m_action == AtCompare::Cancel) {
            m_task.m_Run.RequestCancel();  // as the window's Cancel does
        }
    }
    tv::CElement& m_task;
    const AtCompare m_action;
    std::atomic<bool> m_bReached{false};
};

class CAcceptingPreview : public tv::IPreviewHandler {
  public:
    bool ShowPreview(tv::CElement&, tv::CTreeF&, const tv::CPlanBytes&,
                     const tv::CPreviewRequest&) override {
        return true;
    }
};

class CNoPrompter : public tv::ITaskPrompter {
  public:
    tv::PromptAnswer AbortRetryIgnore(const std::string&) override {
        return tv::PromptAnswer::Ignore;
    }
    tv::PromptAnswer YesNo(const std::string&) override { return tv::PromptAnswer::No; }
};

// Run windows that keep what the main window did with them. Posted calls wait in a queue
// until the test pumps them, as a window's event loop would run them.
class CRecordingViews : public tv::IRunViews {
  public:
    tv::ITaskObserver* OpenProgress(tv::CElement& task, int sequence) override {
        std::lock_guard lock(m_mutex);
        m_events.push_back("open " + std::to_string(task.m_nTaskId));
        m_sequences.push_back(sequence);
        const auto it = m_actions.find(task.m_nTaskId);
        m_observers.push_back(std::make_unique<CTestObserver>(
            task, it == m_actions.end() ? AtCompare::Nothing : it->second));
        return m_observers.back().get();
    }
    void CloseProgress(tv::CElement& task) override {
        std::lock_guard lock(m_mutex);
        m_events.push_back("close " + std::to_string(task.m_nTaskId));
        task.m_Run.RequestCancel();
    }
    tv::ITaskPrompter& Prompter(tv::CElement&) override { return m_prompter; }
    tv::IPreviewHandler& Preview() override { return m_preview; }
    void Post(std::function<void()> fn) override {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(fn));
        m_changed.notify_all();
    }

    // Runs posted calls until `done` holds; false when it did not within the time limit.
    // `done` may also turn true on a worker thread, so it is looked at every few ms.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::seconds limit = std::chrono::seconds(60)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::function<void()> fn;
            {
                std::unique_lock lock(m_mutex);
                if (!m_changed.wait_for(lock, std::chrono::milliseconds(5),
                                        [&] { return !m_posted.empty(); })) {
                    continue;
                }
                fn = std::move(m_posted.front());
                m_posted.pop_front();
                m_events.push_back("end");
            }
            fn();
        }
        return true;
    }
    bool ObserverReached(size_t index) {
        std::lock_guard lock(m_mutex);
        return index < m_observers.size() && m_observers[index]->m_bReached;
    }
    std::vector<std::string> Events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    std::map<int, AtCompare> m_actions;  // by task id; set before the runs start
    std::vector<int> m_sequences;

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_posted;
    std::vector<std::string> m_events;
    std::vector<std::unique_ptr<CTestObserver>> m_observers;
    CNoPrompter m_prompter;
    CAcceptingPreview m_preview;
};

// What the window's models told the view, in order (the events tests look at).
class CRecordingListener : public tv::IMainListener {
  public:
    void RowChanged(int row) override { m_events.push_back("row " + std::to_string(row)); }
    void RunsChanged() override { m_events.push_back("runs"); }
    std::vector<std::string> m_events;
};

// A presenter over a fresh home with real folders, run windows that record, and scripted
// questions.
class CMainTest : public ::testing::Test {
  protected:
    CMainTest() : m_app(tv::LocalFileSystem(), m_profile) {
        tv::AddMainWindowStrings();
        m_app.Startup();
        m_presenter = std::make_unique<tv::CMainPresenter>(m_app, m_dialogs);
        m_presenter->Runs().AttachRunViews(m_views);
        m_presenter->SetListener(&m_listener);
    }
    ~CMainTest() override {
        m_presenter->Runs().CancelAll();
        m_views.PumpUntil([&] { return m_presenter->Runs().Outstanding() == 0; });
    }

    std::string Dir(const std::string& name) {
        fs::create_directories(m_home.Root() / name);
        return (m_home.Root() / name).string();
    }
    // A new task through the window's controls: `files` files in "src<tag>", target
    // "dst<tag>".
    int AddTask(const std::string& tag, int files = 3) {
        tv::CTaskEditor& editor = m_presenter->Editor();
        editor.NewTask();
        editor.SetNameText("task " + tag);
        const std::string source = Dir("src" + tag);
        for (int i = 0; i < files; ++i) {
            WriteFile(fs::path(source) / ("f" + std::to_string(i)), "content " + tag);
        }
        editor.SetSourceText(source);
        editor.SetTargetText(Dir("dst" + tag));
        editor.SetPreview(false);
        editor.ApplyEdits();
        return editor.EditedRow();
    }
    size_t FilesIn(const std::string& name) {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(m_home.Root() / name)) {
            n += entry.is_regular_file() ? 1 : 0;
        }
        return n;
    }
    bool PumpRuns() {
        return m_views.PumpUntil([&] { return !m_presenter->Runs().AnyOutstanding(); });
    }
    const tv::CElement& TaskAt(int row) { return m_presenter->List().Task(row); }

    CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app;
    CCaptionDialogs m_dialogs;
    CRecordingViews m_views;
    CRecordingListener m_listener;
    std::unique_ptr<tv::CMainPresenter> m_presenter;
};

}  // namespace tvtest
