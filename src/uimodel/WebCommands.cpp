#include "uimodel/WebCommands.h"

#include "base/StringTable.h"
#include "platform/Desktop.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "platform/WebFile.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/UiDialogs.h"
#include "uimodel/WebSkinStrings.h"

namespace tv {

namespace {

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Address(const CProfile& profile, const char* name, const char* fallback) {
    const std::string stored = Trimmed(profile.GetProfileString(profkey::kAppSection, name));
    return stored.empty() ? fallback : stored;
}

}  // namespace

std::optional<std::string> AnnouncedBuild(const std::string& firstLine,
                                          const std::string& ownBuild) {
    const std::string build = Trimmed(firstLine).substr(0, ownBuild.size());
    if (build.empty() || build == ownBuild) {
        return std::nullopt;
    }
    return build;
}

CWebCommands::CWebCommands(const CProfile& profile, IUiDialogs& dialogs, Poster post,
                           std::string ownBuild)
    : m_profile(profile),
      m_dialogs(dialogs),
      m_post(std::move(post)),
      m_strOwnBuild(std::move(ownBuild)) {}

CWebCommands::~CWebCommands() {
    m_bCancel = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CWebCommands::OpenWebPage() {
    const std::string page = Address(m_profile, profkey::kWebPage, kDefaultWebPage);
    if (!OpenWithDesktop(page)) {
        m_dialogs.Message(
            DetailedMessage(LoadString(IDS_WEB_CANT_OPEN), {page, LoadString(IDS_HELP_NO_VIEWER)}));
    }
}

void CWebCommands::CheckForNewVersion() {
    if (Checking()) {
        return;
    }
    CWebFetch fetch;
    fetch.m_strAgent = "New version";
    fetch.m_pCancel = &m_bCancel;
    const std::string url = Address(m_profile, profkey::kVersionFile, kDefaultVersionFile);
    m_worker = std::thread([this, fetch, url, alive = std::weak_ptr<bool>(m_pAlive)] {
        std::optional<std::string> line = FetchFirstLine(url, fetch);
        // The last thing the worker does; `this` is touched only if it still exists then.
        m_post([this, alive, line = std::move(line)] {
            if (alive.lock()) {
                CheckEnded(line);
            }
        });
    });
}

void CWebCommands::CheckEnded(const std::optional<std::string>& firstLine) {
    m_worker.join();
    if (!firstLine) {
        return;
    }
    const std::optional<std::string> build = AnnouncedBuild(*firstLine, m_strOwnBuild);
    if (!build) {
        m_dialogs.Message(LoadString(IDS_WEB_NO_NEW_VERSION));
        return;
    }
    const std::string question = FormatText(LoadString(IDS_WEB_NEW_BUILD).c_str(), build->c_str());
    if (m_dialogs.YesNo(question) == PromptAnswer::Yes) {
        OpenWebPage();
    }
}

}  // namespace tv
