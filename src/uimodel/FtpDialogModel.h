#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/FileTime.h"
#include "task/Tag.h"

namespace tv {

// The values of the FTP dialog's "Protocol:" list.
enum class FtpProtocol : int32_t { Ftp, Sftp, FtpsNoData, FtpsWithData, FtpsImplicit };
// The values of "Proxy type:"; only None leaves the proxy fields unused.
enum class FtpProxyType : int32_t { None, Socks4, Socks5, Web, Relay, Socks4a, System };
// The values of "Transfer type:".
enum class FtpTransferType : uint32_t { Ascii, Binary, Auto };

inline constexpr int kFtpProtocolCount = 5;
inline constexpr int kFtpProxyTypeCount = 7;
inline constexpr int kFtpTransferTypeCount = 3;
inline constexpr int kTimeZoneShiftLimit = 23;  // hours either way

// The host as the dialog stores it: trimmed, beginning with "ftp://" in any letter case. A
// beginning "ftp:/" or "ftp:" is completed rather than prefixed again.
std::string NormalizeFtpHost(const std::string& host);
// The initial folder as the dialog stores it: trimmed, without trailing "/" or "\". A folder
// made only of separators keeps its first one: "/" is the server's root, while an empty
// folder means the login folder.
std::string NormalizeRemoteDir(const std::string& dir);

// The FTP dialog of one location (the source or a target): a copy of the location that the
// controls edit, the rules that enable them, and what OK stores. The connection settings
// dialog edits the same copy. GUI thread (or headless tests); nothing blocks.
class CFtpDialogModel {
  public:
    explicit CFtpDialogModel(const CTag& location) : m_values(location) {}

    // The values the controls show and change. The lists hold their stored values (FtpProtocol,
    // FtpProxyType, FtpTransferType).
    CTag& Values() { return m_values; }
    const CTag& Values() const { return m_values; }

    // The proxy address, port, user and password.
    bool ProxyFieldsEnabled() const;
    // "Use key:", "Generate and save", the key file and its "...": every protocol but FTP.
    bool KeyControlsEnabled() const;
    // "Use certificate:", "Create", the certificate file and its "...": the FTPS protocols.
    bool CertificateControlsEnabled() const;
    bool TimeZoneHoursEnabled() const { return m_values.m_bManualTimeZone != 0; }
    // Time-out, retries and transfer type: only with "Overwrite default settings".
    bool ConnectionFieldsEnabled() const { return m_values.m_bOwnConnectSettings != 0; }

    // "Overwrite default settings". Turned on for a site that had none of its own, the
    // transfer type starts at BINARY: the stored default is ASCII, which would change the
    // bytes of every file from then on although the transfers were binary until now.
    void SetOwnConnectSettings(bool on);

    // OK: the host and the initial folder are normalized.
    void Accept();
    // What the main window (or the wizard) does with the accepted values: they become the
    // location, which is an FTP site from now on; a port of 0 is 21.
    void StoreInto(CTag& location) const;

  private:
    CTag m_values;
};

// The fields of the certificate dialog.
struct CCertificateFields {
    int m_nBitCount = 2048;
    std::string m_strOwner;
    std::string m_strCountry;
    std::string m_strLocality;
    std::string m_strOrganization;
    std::string m_strUnit;
    TaskTime m_validFrom = 0;
    TaskTime m_validTo = 0;
    std::string m_strEmail;
};

inline constexpr int kCertificateMinBits = 512;
inline constexpr int kCertificateMaxBits = 16384;

// A new certificate: valid from `now` for a year.
CCertificateFields NewCertificateFields(TaskTime now);

}  // namespace tv
