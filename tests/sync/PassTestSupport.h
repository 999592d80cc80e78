#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "scan/Investigate.h"
#include "scan/TreeF.h"
#include "support/InforLines.h"
#include "sync/Pass.h"
#include "sync/Plan.h"
#include "task/Element.h"

namespace tvtest {

// Answers Yes/No questions from a script (No when it runs out) and Abort/Retry/Ignore with
// Ignore; keeps every question.
class CYesNoScript : public tv::ITaskPrompter {
  public:
    std::vector<tv::PromptAnswer> m_answers;
    std::vector<std::string> m_questions;

    tv::PromptAnswer AbortRetryIgnore(const std::string& message) override {
        m_questions.push_back(message);
        return tv::PromptAnswer::Ignore;
    }
    tv::PromptAnswer YesNo(const std::string& message) override {
        m_questions.push_back(message);
        if (m_answers.empty()) {
            return tv::PromptAnswer::No;
        }
        const tv::PromptAnswer answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    }
};

class CPassObserver : public tv::ITaskObserver {
  public:
    void Status(int id) override { m_status.push_back(id); }
    void CopyProgress(int percent) override { m_percents.push_back(percent); }
    void AddDetail(const std::string& line) override {
        m_details.push_back(line);
        if (m_cancelAfter > 0 && --m_cancelAfter == 0) {
            m_pTask->m_Run.RequestCancel();
        }
    }
    std::vector<int> m_status;
    std::vector<int> m_percents;
    std::vector<std::string> m_details;
    int m_cancelAfter = 0;  // cancels the run after this many detail lines
    tv::CElement* m_pTask = nullptr;
};

// A task with one local target, driven through investigation, planning and the pass.
struct CSyncRun {
    CSyncRun(const std::filesystem::path& source, const std::filesystem::path& target,
             tv::RunKind kind) {
        task.m_Source.m_strPath = source.string();
        task.m_Targets.resize(1);
        task.m_Targets[0].m_strPath = target.string();
        task.m_Run.Attach(&observer, &prompter);
        tvtest::BeginRun(task.m_Run, kind, static_cast<uint32_t>(tv::ErrorPolicy::Continue));
        observer.m_pTask = &task;
        sourceTree.sourceOnly = true;
    }

    // Investigates (through `fs` when given, which the pass then takes too) and plans.
    bool Plan(tv::CLastSync lastSync = {}, tv::IFileSystem* fs = nullptr) {
        if (fs) {
            files = fs;
        }
        tv::CInvestigationRequest request;
        request.m_Source = {&task.m_Source, &sourceTree, files};
        request.m_Target = {&task.m_Targets[0], &targetTree, files};
        request.m_bSingleTarget = true;
        if (!tv::InvestigateSides(task, request)) {
            return false;
        }
        tv::MergeRoots(sourceTree, targetTree);
        tv::CPlanRequest plan(*files);
        plan.m_lastSync = lastSync;
        plan.m_bSourceIsFtp = sourceMedium == tv::SideMedium::Ftp;
        plan.m_bTargetIsFtp = targetMedium == tv::SideMedium::Ftp;
        plan.m_match =
            tv::ChooseNameMatch(task, plan.m_bSourceIsFtp, plan.m_bTargetIsFtp, false, false);
        tv::PlanSynchronization(task, sourceTree, Source(), Target(), plan, bytes, run);
        return true;
    }
    bool Pass() {
        tv::CPassRequest request = tv::CPassRequest::Local(task, Source(), Target(), true);
        request.m_sourceMedium = sourceMedium;
        request.m_targetMedium = targetMedium;
        tv::CSyncPass pass(task, request, run, *files);
        const bool ok = pass.Run(sourceTree);
        counts = pass.Counts();
        return ok;
    }
    bool Run(tv::CLastSync lastSync = {}, tv::IFileSystem* fs = nullptr) {
        return Plan(lastSync, fs) && Pass();
    }

    std::string Source() const { return task.m_Source.m_strPath; }
    std::string Target() const { return task.m_Targets[0].m_strPath; }
    std::vector<std::string> Lines(tv::CTaskInfor::List list) const {
        return tvtest::LinesOf(task.m_Run, list);
    }

    tv::CElement task;
    tv::IFileSystem* files = &tv::LocalFileSystem();
    // A side that is a remote site is still scanned through `files`; the planning step and the
    // pass are told, as the runner tells them.
    tv::SideMedium sourceMedium = tv::SideMedium::Local;
    tv::SideMedium targetMedium = tv::SideMedium::Local;
    CPassObserver observer;
    CYesNoScript prompter;
    tv::CTreeF sourceTree;
    tv::CTreeF targetTree;
    tv::CPlanBytes bytes;
    tv::CRunBytes run;
    tv::CPassCounts counts;
};

}  // namespace tvtest
