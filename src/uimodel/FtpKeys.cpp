#include "uimodel/FtpKeys.h"

#include <optional>
#include <string>

#include "base/StringTable.h"
#include "platform/KeyFiles.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/UiDialogs.h"

namespace tv {

namespace {

// The file a command writes: the dialog's field, or a name the user chooses now (the save
// dialog has asked about replacing it then).
struct CTargetFile {
    std::string m_strPath;
    ExistingFiles m_existing = ExistingFiles::Keep;
};

std::optional<CTargetFile> TargetFile(IUiDialogs& dialogs, const std::string& field, FileKind kind,
                                      int titleId) {
    if (!field.empty()) {
        return CTargetFile{field, ExistingFiles::Keep};
    }
    const auto chosen = dialogs.SaveFile(kind, LoadString(titleId), {});
    if (!chosen) {
        return std::nullopt;
    }
    return CTargetFile{*chosen, ExistingFiles::Replace};
}

// Runs `write` once, and once more with Replace when a file was in the way and the user agrees.
template <typename Write>
KeyFileResult WriteAsking(IUiDialogs& dialogs, const CTargetFile& target, int questionId,
                          Write write) {
    KeyFileResult result = write(target.m_existing);
    if (result == KeyFileResult::Exists &&
        dialogs.YesNo(DetailedMessage(LoadString(questionId), {target.m_strPath})) ==
            PromptAnswer::Yes) {
        result = write(ExistingFiles::Replace);
    }
    return result;
}

// Names the login the key is for, as OpenSSH's own comments do: user@host.
std::string KeyComment(const CTag& site) {
    std::string host = site.m_strHost;
    if (const size_t scheme = host.find("://"); scheme != std::string::npos) {
        host.erase(0, scheme + 3);
    }
    if (site.m_strUser.empty() || host.empty()) {
        return site.m_strSiteName;
    }
    return site.m_strUser + "@" + host;
}

CCertificateSubject SubjectOf(const CCertificateFields& fields) {
    CCertificateSubject subject;
    subject.m_strOwner = fields.m_strOwner;
    subject.m_strCountry = fields.m_strCountry;
    subject.m_strLocality = fields.m_strLocality;
    subject.m_strOrganization = fields.m_strOrganization;
    subject.m_strUnit = fields.m_strUnit;
    subject.m_strEmail = fields.m_strEmail;
    subject.m_nValidFrom = fields.m_validFrom;
    subject.m_nValidTo = fields.m_validTo;
    return subject;
}

}  // namespace

bool CFtpKeyCommands::GenerateKeyPair() {
    CTag& site = m_model.Values();
    const auto target =
        TargetFile(m_dialogs, site.m_strKeyFile, FileKind::KeyFile, IDS_FTPKEY_SAVE_TITLE);
    if (!target) {
        return false;
    }
    std::string error;
    const KeyFileResult result =
        WriteAsking(m_dialogs, *target, IDS_FTPKEY_REPLACE, [&](ExistingFiles existing) {
            return WriteSshKeyPair(m_fs, target->m_strPath, KeyComment(site), existing, &error);
        });
    if (result == KeyFileResult::Written) {
        m_dialogs.Message(
            DetailedMessage(LoadString(IDS_FTPKEY_SAVED), {target->m_strPath + ".pub"}));
    } else if (result == KeyFileResult::Failed) {
        m_dialogs.Message(
            DetailedMessage(LoadString(IDS_FTPKEY_FAILED), {target->m_strPath, error}));
    }
    if (result != KeyFileResult::Written || site.m_strKeyFile == target->m_strPath) {
        return false;
    }
    site.m_strKeyFile = target->m_strPath;
    return true;
}

bool CFtpKeyCommands::KeyExists() {
    if (!ReadsAsKey(m_fs, m_model.Values().m_strKeyFile)) {
        m_dialogs.Message(LoadString(IDS_FTPCERT_NEED_KEY));
        return false;
    }
    return true;
}

bool CFtpKeyCommands::CreateCertificate(const CCertificateFields& fields) {
    CTag& site = m_model.Values();
    const auto target = TargetFile(m_dialogs, site.m_strCertificateFile, FileKind::Certificate,
                                   IDS_FTPCERT_SAVE_TITLE);
    if (!target) {
        return false;
    }
    std::string error;
    const KeyFileResult result =
        WriteAsking(m_dialogs, *target, IDS_FTPCERT_REPLACE, [&](ExistingFiles existing) {
            return WriteSelfSignedCertificate(m_fs, site.m_strKeyFile, target->m_strPath,
                                              SubjectOf(fields), existing, &error);
        });
    if (result == KeyFileResult::NoKey) {
        m_dialogs.Message(LoadString(IDS_FTPCERT_NEED_KEY));
    } else if (result == KeyFileResult::Failed) {
        m_dialogs.Message(DetailedMessage(LoadString(IDS_FTPCERT_FAILED), {error}));
    }
    if (result != KeyFileResult::Written || site.m_strCertificateFile == target->m_strPath) {
        return false;
    }
    site.m_strCertificateFile = target->m_strPath;
    return true;
}

}  // namespace tv
