#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/Smtp.h"
#include "task/Element.h"

namespace tv {

class IUiDialogs;

// What a page of task settings needs to know about the task beyond its own fields: some
// options only mean something for one-way runs, one only for a zip archive target.
struct CPageContext {
    bool m_bOneWay = false;
    bool m_bArchiveTarget = false;
};

// The context of `task` as the main window's radios and boxes set it: a backup task, or a
// synchronization task in "Target update only", runs one way.
CPageContext ContextOf(const CElement& task);

// Each page model below holds the values of one page of task settings. Load takes them from a
// task record, Store writes them into one and touches nothing else of it (so that a page can
// be stored into every task of a list). The enabling queries say which controls apply. Values
// of disabled controls are kept as they are. GUI thread (or a test); nothing blocks unless said.

class CGeneralPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;
    void SetContext(CPageContext context) { m_context = context; }

    // Returns the notice to show when the option was switched on.
    std::optional<std::string> SetDeleteFromTarget(bool on);
    void SetLogLimitKb(int kb);

    bool OneWayEnabled() const { return m_context.m_bOneWay; }
    bool ZipDateEnabled() const { return m_context.m_bArchiveTarget; }
    bool HtmlFileEnabled() const { return m_bHtmlLog; }
    bool AltLogDirEnabled() const { return m_bAltLogDir; }
    bool AltCopyDirEnabled() const { return m_bAltCopy; }
    bool PolicyEnabled() const { return m_bOwnPreferences; }

    bool m_bDeleteFromTarget = false;
    bool m_bOnlyIfOnTarget = false;
    bool m_bOnlyIfTargetNewer = false;
    bool m_bNoEmptyFolders = false;
    bool m_bShutdown = false;
    bool m_bAppendLog = false;
    int m_nLogLimitKb = 500;
    bool m_bAsciiLog = false;
    bool m_bHtmlLog = false;
    std::string m_strHtmlLogFile;
    bool m_bAltLogDir = false;
    std::string m_strAltLogDir;
    bool m_bSilent = false;
    bool m_bUseSnapshot = false;
    int m_nCompareMode = COMPARE_TIME;
    bool m_bCreateTarget = false;
    bool m_bDeleteSourceAfterRun = false;
    bool m_bAltCopy = false;
    std::string m_strAltCopyDir;
    bool m_bZipDatePrefix = false;
    bool m_bDeleteNewBeforeLastSync = false;
    bool m_bOwnPreferences = false;
    int m_nPolicy = 0;  // ErrorPolicy

  private:
    CPageContext m_context;
};

// The choice texts of the criterion list, in the order of their values.
const std::vector<int>& CompareModeTexts();
// The spin range of the log size limit.
inline constexpr int kLogLimitMinKb = 1;
inline constexpr int kLogLimitMaxKb = 10000;

class CTimeLimitPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;
    void SetAgeValue(int value);
    void SetDelaySeconds(int seconds);

    bool PeriodEnabled() const { return m_bTimeLimit; }
    bool AgeEnabled() const { return m_bTimeLimit && !m_bDuring; }
    bool DuringEnabled() const { return m_bTimeLimit && m_bDuring; }
    bool DelayEnabled() const { return m_bStartDelay; }

    bool m_bTimeLimit = false;
    int m_nExcludePeriod = 0;  // 0 including, 1 excluding
    bool m_bDuring = false;
    int m_nAgeValue = 0;
    int m_nAgeUnit = AGE_MINS;
    TaskTime m_timeFrom = 0;
    TaskTime m_timeTo = 0;
    bool m_bStartDelay = false;
    int m_nDelaySeconds = 0;
};

const std::vector<int>& AgeUnitTexts();
inline constexpr int kAgeValueMax = 999;
inline constexpr int kDelayMaxSeconds = 86400;

class CExclusionPage {
  public:
    void Load(const CElement& task);
    // The entries are stored relative to the root they lie below (the task's own source and
    // targets); the masks upper-cased.
    void Store(CElement& task) const;
    void SetMaxSizeMb(int mb);
    // Adds the folder or file the user chose below `task`'s source or a target; nothing when
    // the user canceled. Blocks on the chooser.
    void Browse(IUiDialogs& dialogs, const CElement& task);

    bool ItemsEnabled() const { return m_bExcludeItems; }
    bool ExcludeMasksEnabled() const { return m_bExcludeMasks; }
    bool IncludeMasksEnabled() const { return m_bIncludeMasks; }
    bool MaxSizeEnabled() const { return m_bMaxSize; }

    bool m_bExcludeItems = false;
    std::vector<std::string> m_items;
    bool m_bExcludeMasks = false;
    std::string m_strExcludeMasks;
    bool m_bIncludeMasks = false;
    std::string m_strIncludeMasks;
    bool m_bMaxSize = false;
    int m_nMaxSizeMb = 10;
    bool m_bSkipHidden = false;
    bool m_bSkipSystem = false;
    bool m_bSkipJunctions = false;
};

inline constexpr int kMaxSizeMaxMb = 1000000;

// Which of the two sounds of the notification page.
enum class SoundSlot { Preview, Finish };

class CNotifyPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;
    // Plays the slot's file once; false when it cannot be played.
    bool TestSound(SoundSlot slot) const;
    // Sends "Test message" to the computer in the field; what became of it is not shown.
    // Blocks for a few seconds at most (GUI thread).
    void TestNetMessage() const;
    // Sends a mail "Test message" with the page's server, sender and recipients over
    // m_mailAccount: empty when sent, else why not. Blocks for the client's short test
    // time-outs at most (GUI thread).
    std::string TestMail() const;

    bool MailEnabled() const { return m_bMail; }
    bool NetSendEnabled() const { return m_bNetSend; }
    bool SoundEnabled(SoundSlot slot) const {
        return slot == SoundSlot::Preview ? m_bPreviewSound : m_bFinishSound;
    }

    bool m_bMail = false;
    int m_nMailWhen = 0;
    int m_nMailContent = 0;
    std::string m_strSmtpServer;
    std::string m_strMailFrom;
    std::string m_strMailTo;
    CSmtpAccount m_mailAccount;  // how the program reaches mail servers (from the profile)
    bool m_bNetSend = false;
    std::string m_strNetSendTo;
    int m_nNetSendWhen = 0;
    bool m_bPreviewSound = false;
    std::string m_strPreviewSound;
    bool m_bFinishSound = false;
    std::string m_strFinishSound;
};

class CDialUpPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;
    // The connections the system knows, with the stored one among them. Blocks on the tool.
    std::vector<std::string> Connections() const;
    // "Connect now"/"Disconnect": false (and a message) when the connection did not change.
    // Block until the tool has ended.
    bool ConnectNow(IUiDialogs& dialogs) const;
    bool Disconnect(IUiDialogs& dialogs) const;

    bool ConnectionEnabled() const { return m_bDialUp; }

    bool m_bDialUp = false;
    std::string m_strEntry;
    bool m_bHangUp = false;
};

class CFtpOptionsPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;
    // The two conversions exclude each other.
    void SetUpperCase(bool on);
    void SetLowerCase(bool on);

    bool m_bSetLocalTime = false;
    bool m_bUpperCase = false;
    bool m_bLowerCase = false;
    bool m_bIncrementalDownload = false;
};

class CExternalPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;

    bool BeforeEnabled() const { return m_bRunBefore; }
    bool AfterEnabled() const { return m_bRunAfter; }

    bool m_bRunBefore = false;
    std::string m_strRunBefore;
    bool m_bRunAfter = false;
    std::string m_strRunAfter;
};

class CCdPage {
  public:
    void Load(const CElement& task);
    void Store(CElement& task) const;

    bool FullEraseEnabled() const { return m_bErase; }

    bool m_bAsDisk = true;
    bool m_bErase = false;
    bool m_bFullErase = false;
    bool m_bEject = false;
};

// The settings of a real-time task's service.
class CRealtimeSettings {
  public:
    void Load(const CElement& task);
    // A user name without a domain gets ".\" (this computer) in front of it.
    void Store(CElement& task) const;

    bool AccountEnabled() const { return m_nAccount == 1; }

    int m_nAccount = 0;  // 0 local system account, 1 the named one
    std::string m_strUser;
    std::string m_strPassword;
    bool m_bAutoStart = false;
    bool m_bNoInitialSync = false;
};

}  // namespace tv
