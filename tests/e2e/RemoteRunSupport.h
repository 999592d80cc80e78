// Task lists whose locations are remote sites of the test servers (tests/platform/FtpServer.h:
// user "tv", password "s3cret-pw").
#pragma once

#include <string>
#include <utility>

#include "e2e/RunTestSupport.h"

namespace runtest {

inline constexpr int kSync = 0x20;          // synchronize folders (two-way)
inline constexpr int kUpdateTarget = 0x21;  // target update only

class RemoteRunTest : public RunTest {
  protected:
    // A site on 127.0.0.1; `protocol` as a location stores it (0 FTP, 1 SFTP, 2-4 FTPS).
    static Json FtpSite(int port, int protocol, const std::string& folder) {
        return {{"m_bIsFtp", 1},
                {"m_strSiteName", "site"},
                {"m_strHost", "127.0.0.1"},
                {"m_nPort", port},
                {"m_nProtocol", protocol},
                {"m_strUser", "tv"},
                {"m_strPassword", "s3cret-pw"},
                {"m_strRemoteDir", folder},
                {"m_bPassive", 1}};
    }
    static Json Local(const fs::path& folder) { return {{"m_strPath", folder.string()}}; }
    // One task from `source` to the one `target`.
    static Json RemoteTask(int id, Json source, Json target, int options = kUpdateTarget) {
        Json task = Task(id, "/unused", {"/unused"});
        task["m_dwOptions"] = options;
        task["m_Source"] = std::move(source);
        task["m_Targets"] = Json::array({std::move(target)});
        return task;
    }
};

}  // namespace runtest
