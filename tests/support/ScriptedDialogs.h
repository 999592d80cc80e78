#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "uimodel/UiDialogs.h"

namespace tvtest {

// Answers a window's questions from a script and records what was asked. An unscripted
// question fails the test and takes the answer that changes nothing.
class CScriptedDialogs : public tv::IUiDialogs {
  public:
    std::deque<tv::PromptAnswer> m_answers;          // Yes/No and Abort/Retry/Ignore
    std::deque<tv::YesNoCancel> m_threeWay;          // Yes/No/Cancel
    std::deque<bool> m_okCancel;                     // OK (true) / Cancel
    std::deque<std::optional<std::string>> m_files;  // open, save and location choices
    std::deque<bool> m_dontShowAgain;                // the check box of MessageOnce
    std::vector<std::string> m_asked;                // every text shown, in order
    // What the user does while a Yes/No question is open, before answering it.
    std::function<void(const std::string&)> m_whileAsked;

    void Message(const std::string& text, const std::string& /*caption*/) override {
        m_asked.push_back(text);
    }
    // Unscripted, the box is closed with its check box left clear.
    bool MessageOnce(const std::string& text, const std::string& /*caption*/,
                     const std::string& /*checkText*/) override {
        m_asked.push_back(text);
        if (m_dontShowAgain.empty()) {
            return false;
        }
        const bool ticked = m_dontShowAgain.front();
        m_dontShowAgain.pop_front();
        return ticked;
    }
    tv::PromptAnswer YesNo(const std::string& text) override {
        if (m_whileAsked) {
            m_whileAsked(text);
        }
        return Next(m_answers, text, tv::PromptAnswer::No);
    }
    tv::YesNoCancel AskYesNoCancel(const std::string& text) override {
        return Next(m_threeWay, text, tv::YesNoCancel::Cancel);
    }
    bool OkCancel(const std::string& text) override { return Next(m_okCancel, text, false); }
    tv::PromptAnswer AbortRetryIgnore(const std::string& text) override {
        return Next(m_answers, text, tv::PromptAnswer::Ignore);
    }
    std::optional<std::string> OpenFile(tv::FileKind /*kind*/, const std::string& folder) override {
        return Next(m_files, "open in " + folder, std::optional<std::string>());
    }
    std::optional<std::string> SaveFile(tv::FileKind /*kind*/, const std::string& title,
                                        const std::string& /*folder*/) override {
        return Next(m_files, title, std::optional<std::string>());
    }
    std::optional<std::string> ChooseLocation(const std::string& start) override {
        return Next(m_files, "location at " + start, std::optional<std::string>());
    }

  private:
    template <typename T>
    T Next(std::deque<T>& script, const std::string& text, T fallback) {
        m_asked.push_back(text);
        if (script.empty()) {
            ADD_FAILURE() << "unscripted question: " << text;
            return fallback;
        }
        T answer = script.front();
        script.pop_front();
        return answer;
    }
};

}  // namespace tvtest
