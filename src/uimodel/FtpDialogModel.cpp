#include "uimodel/FtpDialogModel.h"

#include <algorithm>
#include <cctype>

namespace tv {

namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

// "ftp://" itself begins with "ftp:/": completing that would give "ftp:///host".
std::string NormalizeFtpHost(const std::string& host) {
    const std::string trimmed = Trimmed(host);
    if (StartsWithNoCase(trimmed, "ftp://")) {
        return trimmed;
    }
    for (const std::string beginning : {"ftp:/", "ftp:"}) {
        if (StartsWithNoCase(trimmed, beginning)) {
            return "ftp://" + trimmed.substr(beginning.size());
        }
    }
    return "ftp://" + trimmed;
}

std::string NormalizeRemoteDir(const std::string& dir) {
    std::string trimmed = Trimmed(dir);
    const size_t last = trimmed.find_last_not_of("/\\");
    trimmed.resize(last == std::string::npos ? std::min<size_t>(trimmed.size(), 1) : last + 1);
    return trimmed;
}

bool CFtpDialogModel::ProxyFieldsEnabled() const {
    return static_cast<FtpProxyType>(m_values.m_nProxyType) != FtpProxyType::None;
}

bool CFtpDialogModel::KeyControlsEnabled() const {
    return static_cast<FtpProtocol>(m_values.m_nProtocol) != FtpProtocol::Ftp;
}

bool CFtpDialogModel::CertificateControlsEnabled() const {
    const auto protocol = static_cast<FtpProtocol>(m_values.m_nProtocol);
    return protocol == FtpProtocol::FtpsNoData || protocol == FtpProtocol::FtpsWithData ||
           protocol == FtpProtocol::FtpsImplicit;
}

void CFtpDialogModel::SetOwnConnectSettings(bool on) {
    if (on && m_values.m_bOwnConnectSettings == 0) {
        m_values.m_nTransferType = static_cast<uint32_t>(FtpTransferType::Binary);
    }
    m_values.m_bOwnConnectSettings = on ? 1 : 0;
}

void CFtpDialogModel::Accept() {
    m_values.m_strHost = NormalizeFtpHost(m_values.m_strHost);
    m_values.m_strRemoteDir = NormalizeRemoteDir(m_values.m_strRemoteDir);
}

// The time carried with the location belongs to the site it was taken for.
void CFtpDialogModel::StoreInto(CTag& location) const {
    location = m_values;
    location.m_strPath.clear();
    location.m_bIsFtp = 1;
    location.m_timeStamp = 0;
    if (location.m_nPort == 0) {
        location.m_nPort = 21;
    }
}

CCertificateFields NewCertificateFields(TaskTime now) {
    constexpr TaskTime kYear = 365 * 24 * 60 * 60;
    CCertificateFields fields;
    fields.m_validFrom = now;
    fields.m_validTo = now + kYear;
    return fields;
}

}  // namespace tv
