#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/CurlFtpDriver.h"
#include "platform/CurlSftpDriver.h"
#include "platform/FtpServer.h"
#include "platform/ProxyServer.h"
#include "platform/RemoteTestSupport.h"
#include "platform/SshServer.h"
#include "support/TestEnv.h"

namespace tv {
namespace {

using tvtest::CEnvVar;
using tvtest::CFtpServer;
using tvtest::CIsolatedHome;
using tvtest::Count;
using tvtest::CProxyServer;
using tvtest::CSshServer;
using tvtest::CTempDir;
using tvtest::DownloadText;
using tvtest::ProxyKind;
using tvtest::ReadFile;
using tvtest::UploadText;
using tvtest::WriteFile;

constexpr const char* kProxyUser = "pxuser";
constexpr const char* kProxyPassword = "Px-pass-77";

// The environment's proxy variables as a developer's machine may have them, none pointing at the
// test's proxy unless a test says so.
struct CNoEnvironmentProxy {
    CEnvVar all{"all_proxy", std::nullopt};
    CEnvVar ftp{"ftp_proxy", std::nullopt};
    CEnvVar sftp{"sftp_proxy", std::nullopt};
    CEnvVar none{"no_proxy", std::nullopt};
};

void UseProxy(CRemoteSite& site, RemoteProxy type, int port, const std::string& password) {
    site.m_proxyType = type;
    site.m_proxyHost = "127.0.0.1";
    site.m_proxyPort = port;
    site.m_proxyUser = kProxyUser;
    site.m_proxyPassword = password;
}

// One upload and its download back; the session must really work through the proxy.
void RoundTrip(IRemoteDriver& driver, const std::string& path, const std::filesystem::path& local,
               const std::string& label) {
    std::string text = "through " + label;
    ASSERT_EQ(driver.Connect(), 0) << label << ": " << driver.LastError();
    ASSERT_EQ(UploadText(driver, path, text), 0) << label << ": " << driver.LastError();
    EXPECT_EQ(ReadFile(local), text) << label;
    EXPECT_EQ(DownloadText(driver, path), text) << label;
}

class CurlProxy : public testing::Test {
  protected:
    CNoEnvironmentProxy m_cleanEnvironment;
    CTempDir m_root;
    CTempDir m_logs;
    CProxyServer m_proxy{ProxyKind::Tunnel, (m_logs / "proxy.log").string(), kProxyUser,
                         kProxyPassword};
};

class CurlFtpProxy : public CurlProxy {
  protected:
    CRemoteSite Site() const {
        CRemoteSite site;
        site.m_host = "127.0.0.1";
        site.m_port = m_server.Port();
        site.m_user = "tv";
        site.m_password = "s3cret-pw";
        site.m_connectTimeoutMs = 5000;
        return site;
    }
    std::string Target() const { return "127.0.0.1:" + std::to_string(m_server.Port()); }

    CFtpServer m_server{m_root.Path().string(), (m_logs / "server.log").string()};
};

// Each proxy type carries the login, the listing connection and the transfers, and the proxy
// saw the session go to the server, by the way that type asks for.
TEST_F(CurlFtpProxy, EveryProxyTypeCarriesTheSession) {
    ASSERT_NE(m_proxy.Port(), 0);
    struct Case {
        RemoteProxy type;
        const char* how;
    };
    for (Case c : {Case{RemoteProxy::Socks4, "socks4"}, Case{RemoteProxy::Socks4a, "socks4a"},
                   Case{RemoteProxy::Socks5, "socks5"}, Case{RemoteProxy::Http, "http"}}) {
        CRemoteSite site = Site();
        UseProxy(site, c.type, m_proxy.Port(), kProxyPassword);
        CCurlFtpDriver driver(site);
        size_t before = Count(m_proxy.Log(), std::string(c.how) + " " + Target());
        RoundTrip(driver, std::string("/") + c.how + ".txt", m_root / (std::string(c.how) + ".txt"),
                  c.how);
        EXPECT_GT(Count(m_proxy.Log(), std::string(c.how) + " " + Target()), before) << c.how;
    }

    // The environment's variable, credentials in it, for "same as the system".
    CEnvVar all("all_proxy", "http://" + std::string(kProxyUser) + ":" + kProxyPassword +
                                 "@127.0.0.1:" + std::to_string(m_proxy.Port()));
    size_t before = Count(m_proxy.Log(), "http " + Target());
    CRemoteSite system = Site();
    system.m_proxyType = RemoteProxy::System;
    CCurlFtpDriver viaEnvironment(system);
    RoundTrip(viaEnvironment, "/system.txt", m_root / "system.txt", "system");
    size_t after = Count(m_proxy.Log(), "http " + Target());
    EXPECT_GT(after, before);

    // "No proxy" means none, even with the variable set.
    CCurlFtpDriver direct(Site());
    RoundTrip(direct, "/direct.txt", m_root / "direct.txt", "none");
    EXPECT_EQ(Count(m_proxy.Log(), "http " + Target()), after);
}

// The relay is the server as far as the driver knows; the login names the real one.
TEST_F(CurlFtpProxy, SimpleRelayLogsInAsUserAtHost) {
    CProxyServer relay(ProxyKind::FtpRelay, (m_logs / "relay.log").string());
    ASSERT_NE(relay.Port(), 0);
    CRemoteSite site = Site();
    site.m_proxyType = RemoteProxy::Relay;
    site.m_proxyHost = "127.0.0.1";
    site.m_proxyPort = relay.Port();
    CCurlFtpDriver driver(site);
    RoundTrip(driver, "/relayed.txt", m_root / "relayed.txt", "relay");
    EXPECT_EQ(Count(relay.Log(), "relay " + Target()), 1u) << relay.Log();
}

// A proxy that refuses the credentials stops the session before the server, and its password
// shows up nowhere.
TEST_F(CurlFtpProxy, RefusedProxyLoginStopsEverythingQuietly) {
    for (RemoteProxy type : {RemoteProxy::Socks5, RemoteProxy::Http}) {
        CRemoteSite site = Site();
        UseProxy(site, type, m_proxy.Port(), "Wrong-px-pass");
        CCurlFtpDriver driver(site);
        EXPECT_NE(driver.Connect(), 0);
        EXPECT_NE(UploadText(driver, "/never.txt", "x"), 0);
        for (const char* secret : {"Wrong-px-pass", "s3cret-pw"}) {
            EXPECT_EQ(driver.LastError().find(secret), std::string::npos) << driver.LastError();
        }
    }
    EXPECT_EQ(m_proxy.Log(), "");
    EXPECT_FALSE(std::filesystem::exists(m_root / "never.txt"));
}

class CurlSftpProxy : public CurlProxy {
  protected:
    CurlSftpProxy() {
        std::filesystem::create_directories(m_home.Root() / ".ssh");
        WriteFile(
            m_home.Root() / ".ssh/known_hosts",
            "[127.0.0.1]:" + std::to_string(m_server.Port()) + " " + m_server.HostKeyLine() + "\n");
    }
    CRemoteSite Site() const { return m_server.Site(); }
    std::string Target() const { return "127.0.0.1:" + std::to_string(m_server.Port()); }
    std::string Remote(const std::string& name) const { return (m_root / name).string(); }

    CIsolatedHome m_home;
    CTempDir m_keys;
    CSshServer m_server{m_keys.Path()};
};

TEST_F(CurlSftpProxy, SocksWebAndEnvironmentProxiesCarryTheSession) {
    ASSERT_NE(m_server.Port(), 0);
    for (RemoteProxy type : {RemoteProxy::Socks5, RemoteProxy::Http}) {
        const char* how = type == RemoteProxy::Socks5 ? "socks5" : "http";
        CRemoteSite site = Site();
        UseProxy(site, type, m_proxy.Port(), kProxyPassword);
        CCurlSftpDriver driver(site);
        RoundTrip(driver, Remote(std::string(how) + ".txt"), m_root / (std::string(how) + ".txt"),
                  how);
        EXPECT_EQ(Count(m_proxy.Log(), std::string(how) + " " + Target()), 1u) << m_proxy.Log();
    }

    CEnvVar all("all_proxy", "socks5h://" + std::string(kProxyUser) + ":" + kProxyPassword +
                                 "@127.0.0.1:" + std::to_string(m_proxy.Port()));
    CRemoteSite system = Site();
    system.m_proxyType = RemoteProxy::System;
    CCurlSftpDriver viaEnvironment(system);
    RoundTrip(viaEnvironment, Remote("system.txt"), m_root / "system.txt", "system");
    EXPECT_EQ(Count(m_proxy.Log(), "socks5 " + Target()), 2u) << m_proxy.Log();

    CCurlSftpDriver direct(Site());
    RoundTrip(direct, Remote("direct.txt"), m_root / "direct.txt", "none");
    EXPECT_EQ(Count(m_proxy.Log(), Target()), 3u) << m_proxy.Log();
}

TEST_F(CurlSftpProxy, SimpleRelayIsRefusedClearly) {
    CRemoteSite site = Site();
    UseProxy(site, RemoteProxy::Relay, m_proxy.Port(), kProxyPassword);
    CCurlSftpDriver driver(site);
    EXPECT_EQ(driver.Connect(), ENOTSUP);
    EXPECT_NE(driver.LastError().find("relay"), std::string::npos) << driver.LastError();
    EXPECT_EQ(m_proxy.Log(), "");
}

}  // namespace
}  // namespace tv
