#include "run/RemoteSides.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/FileTime.h"
#include "base/PathText.h"
#include "base/StringTable.h"
#include "platform/Folders.h"
#include "platform/FtpTimeTable.h"
#include "platform/RemoteFileSystem.h"
#include "platform/SshKeyCodec.h"
#include "scan/RunPrompts.h"
#include "task/Element.h"

namespace tv {

namespace {

// A server that is restarting gets this long, as often as the location says, before the run
// gives up on it.
constexpr int kConnectRetries = 3;
constexpr auto kReconnectWait = std::chrono::seconds(10);

std::string MountOf(const std::string& rootText) {
    return rootText.substr(0, RemoteRootLength(rootText));
}

// A key file logs in by itself, and anonymous FTP has no password to ask for.
bool NeedsPassword(const CTag& location) {
    const bool keyLogin =
        location.m_nProtocol > 0 && location.m_bUseKey != 0 && !location.m_strKeyFile.empty();
    const bool anonymous = location.m_strUser.empty() || location.m_strUser == "anonymous" ||
                           location.m_strUser == "ftp";
    return location.m_strPassword.empty() && !keyLogin && !anonymous;
}

CRemoteSite SiteOf(const CTag& location) {
    CRemoteSite site;
    site.m_host = location.m_strHost;
    site.m_port = location.m_nPort;
    site.m_user = location.m_strUser;
    site.m_password = location.m_strPassword;
    site.m_protocol = static_cast<RemoteProtocol>(std::clamp(location.m_nProtocol, 0, 4));
    site.m_bPassive = location.m_bPassive != 0;
    site.m_connectTimeoutMs = location.m_nConnectTimeoutMs > 0 ? location.m_nConnectTimeoutMs : 0;
    if (location.m_nProtocol > 0 && location.m_bUseKey != 0) {
        site.m_keyFile = location.m_strKeyFile;
    }
    if (location.m_nProtocol >= 2 && location.m_bUseCertificate != 0) {
        site.m_certificateFile = location.m_strCertificateFile;
    }
    site.m_proxyType = static_cast<RemoteProxy>(std::clamp(location.m_nProxyType, 0, 6));
    site.m_proxyHost = location.m_strProxyHost;
    site.m_proxyPort = location.m_nProxyPort;
    site.m_proxyUser = location.m_strProxyUser;
    site.m_proxyPassword = location.m_strProxyPassword;
    site.m_trustedCertsFile = ProgramDataFolder() + "/TrustedCertificates";
    return site;
}

// Dates as ISO text: the question is about identity, and ISO reads the same in any language.
std::string DateText(int64_t unixSeconds) {
    const CCalendarTime c = CalendarFromFileTime(FileTimeFromUnix(unixSeconds));
    char text[16];
    snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
    return text;
}

std::string CertificateText(const CCertificateQuestion& question) {
    return question.m_subject + "\n" + question.m_issuer + "\n" + DateText(question.m_validFrom) +
           " - " + DateText(question.m_validTo) +
           (question.m_reason.empty() ? std::string() : "\n" + question.m_reason);
}

// SFTP lists exact times; only an FTP server's LIST shows its own wall clock.
int32_t ListShiftMinutes(const CFtpTimeTable* table, const CTag& location) {
    if (!table || location.m_nProtocol == static_cast<int32_t>(RemoteProtocol::Sftp)) {
        return 0;
    }
    const auto found = table->m_Shifts.find(FtpTimeKey(location.m_strHost, location.m_nPort));
    return found == table->m_Shifts.end() ? 0 : found->second;
}

}  // namespace

struct CRemoteSides::CSite {
    std::string m_mount;
    std::unique_ptr<CRemoteFileSystem> m_fs;
};

CRemoteSides::CRemoteSides(CElement& task, IFileSystem& base, const CFtpTimeTable* ftpTimes,
                           std::string spoolFolder)
    : m_task(task),
      m_base(base),
      m_pFtpTimes(ftpTimes),
      m_spoolFolder(std::move(spoolFolder)),
      m_routed(base) {}

CRemoteSides::~CRemoteSides() {
    Disconnect();
}

bool CRemoteSides::Connect(const CTag& location, std::string& error) {
    const std::string mount = MountOf(location.RemoteRootText());
    for (const auto& site : m_sites) {
        if (site->m_mount == mount) {
            return true;
        }
    }
    CRemoteSite site = SiteOf(location);
    if (NeedsPassword(location)) {
        std::optional<std::string> typed = AskFtpPassword(m_task, location.DisplayPath());
        if (!typed) {
            error = FormatText(LoadString(IDS_NO_PASSWORD).c_str(), location.DisplayPath().c_str());
            return false;
        }
        site.m_password = std::move(*typed);
    }
    CElement& task = m_task;
    site.m_askHostKey = [&task](const CHostKeyQuestion& question) {
        const std::string text =
            FormatText(LoadString(IDS_HOST_KEY_QUESTION).c_str(), question.m_hostEntry.c_str(),
                       question.m_keyType.c_str(), SshFingerprint(question.m_keyBase64).c_str());
        return AskYesNo(task, text) == PromptAnswer::Yes;
    };
    site.m_askCertificate = [&task](const CCertificateQuestion& question) {
        const std::string text =
            FormatText(LoadString(IDS_CERTIFICATE_QUESTION).c_str(), question.m_hostPort.c_str(),
                       CertificateText(question).c_str(), question.m_fingerprint.c_str());
        return AskYesNo(task, text) == PromptAnswer::Yes;
    };
    EnsurePrivateFolder(m_base, m_spoolFolder);
    auto fs = std::make_unique<CRemoteFileSystem>(MakeRemoteDriver(site), m_base, m_spoolFolder);
    fs->SetReconnectRule(
        {location.m_nConnectRetries > 0 ? location.m_nConnectRetries : kConnectRetries,
         kReconnectWait, [&task] { return IsTaskCanceled(task); }});
    if (const int err = fs->Connect(); err != 0) {
        const std::string why = fs->LastError().empty() ? SystemErrorText(err) : fs->LastError();
        error =
            FormatText(LoadString(IDS_REMOTE_CONNECT_FAILED).c_str(), mount.c_str(), why.c_str());
        return false;
    }
    fs->SetTimeShift(ListShiftMinutes(m_pFtpTimes, location),
                     location.m_bManualTimeZone ? location.m_nTimeZoneShift * 60 : 0);
    m_routed.Mount(mount, *fs);
    m_sites.push_back(std::make_unique<CSite>(CSite{mount, std::move(fs)}));
    return true;
}

std::vector<std::string> CRemoteSides::TakeRefusedNames() {
    std::vector<std::string> paths;
    for (const auto& site : m_sites) {
        for (const std::string& path : site->m_fs->TakeRefusedNames()) {
            paths.push_back(site->m_mount + path);
        }
    }
    return paths;
}

void CRemoteSides::Disconnect() {
    for (const auto& site : m_sites) {
        site->m_fs->Disconnect();
    }
}

}  // namespace tv
