#pragma once

#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/RemoteDriver.h"
#include "platform/ServerChild.h"
#include "support/TestEnv.h"

namespace tvtest {

// A real OpenSSH server on 127.0.0.1 and a free high port with a config of its own: a host key
// and a client key pair made for it in `dir`, logins by that key (and passwords, which fail
// without PAM for an account without one), the sftp subsystem with each request in
// dir/sftp.log, its own log in dir/sshd.log. Stopped on destruction. With SlowHandles, every
// answer that hands out a file handle reaches the client a second late, as from a server under
// load; the file is there meanwhile.
enum class SftpAnswers : uint8_t { AtOnce, SlowHandles };

class CSshServer {
  public:
    explicit CSshServer(const std::filesystem::path& dir, SftpAnswers answers = SftpAnswers::AtOnce)
        : m_dir(dir) {
        std::string d = dir.string();
        if (std::system(("ssh-keygen -q -t ed25519 -N '' -f '" + d + "/host_key' && " +
                         "ssh-keygen -q -t ed25519 -N '' -f '" + d + "/client_key' && " + "cp '" +
                         d + "/client_key.pub' '" + d + "/authorized_keys'")
                            .c_str()) != 0) {
            return;
        }
        m_port = FreePort();
        std::string subsystem = "/usr/lib/openssh/sftp-server -e -l DEBUG1 2>>" + d + "/sftp.log";
        if (answers == SftpAnswers::SlowHandles) {
            WriteFile(dir / "slow_handles.py", kSlowHandles);
            subsystem = "/usr/bin/python3 " + d + "/slow_handles.py " + subsystem;
        }
        WriteFile(dir / "sshd_config",
                  "ListenAddress 127.0.0.1\nPort " + std::to_string(m_port) + "\nHostKey " + d +
                      "/host_key\nAuthorizedKeysFile " + d + "/authorized_keys\n" +
                      "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                      "UsePAM no\nPermitRootLogin yes\nStrictModes no\nPidFile none\n"
                      "Subsystem sftp " +
                      subsystem + "\nLogLevel VERBOSE\n");
        std::error_code ignored;  // only root needs (and may make) the privilege separation folder
        std::filesystem::create_directories("/run/sshd", ignored);
        const pid_t test = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            BecomeTestServer(test);
            execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-f", (d + "/sshd_config").c_str(),
                  "-E", (d + "/sshd.log").c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 100 && !Listening(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~CSshServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    CSshServer(const CSshServer&) = delete;
    CSshServer& operator=(const CSshServer&) = delete;

    int Port() const { return m_port; }
    std::string User() const { return getpwuid(getuid())->pw_name; }
    std::string ClientKey() const { return (m_dir / "client_key").string(); }
    // The server as a site that logs in with the client key.
    tv::CRemoteSite Site() const {
        tv::CRemoteSite site;
        site.m_host = "127.0.0.1";
        site.m_port = m_port;
        site.m_user = User();
        site.m_protocol = tv::RemoteProtocol::Sftp;
        site.m_keyFile = ClientKey();
        site.m_connectTimeoutMs = 5000;
        return site;
    }
    // "ssh-ed25519 AAAA..." as a known_hosts line holds it.
    std::string HostKeyLine() const {
        std::string line = ReadFile(m_dir / "host_key.pub");
        return line.substr(0, line.find(' ', line.find(' ') + 1));
    }
    std::string Log() const { return ReadFile(m_dir / "sshd.log"); }
    // Kills every process that serves a connection, as a crash would: clients see their
    // connections break off while the server still takes new ones.
    void CutOff() const {
        std::map<pid_t, std::vector<pid_t>> children;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const pid_t pid = std::atoi(entry.path().filename().c_str());
            std::ifstream stat(entry.path() / "stat");
            std::string text;
            std::getline(stat, text);
            const size_t name = text.rfind(')');
            if (pid > 0 && name != std::string::npos) {
                std::istringstream rest(text.substr(name + 1));
                char state = 0;
                pid_t parent = 0;
                rest >> state >> parent;
                children[parent].push_back(pid);
            }
        }
        std::vector<pid_t> doomed = children[m_pid];
        for (size_t i = 0; i < doomed.size(); ++i) {
            const std::vector<pid_t>& more = children[doomed[i]];
            doomed.insert(doomed.end(), more.begin(), more.end());
        }
        for (pid_t pid : doomed) {
            kill(pid, SIGKILL);
        }
    }
    std::string SftpLog() const { return ReadFile(m_dir / "sftp.log"); }

  private:
    // Runs the server given as its arguments and passes its answers on, each handle a second late.
    static constexpr const char* kSlowHandles = R"(import subprocess, sys, threading, time
server = subprocess.Popen(" ".join(sys.argv[1:]), shell=True, stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE)
def requests():
    while chunk := sys.stdin.buffer.read1(65536):
        server.stdin.write(chunk)
        server.stdin.flush()
    server.stdin.close()
threading.Thread(target=requests, daemon=True).start()
def read(n):
    data = b""
    while len(data) < n and (chunk := server.stdout.read(n - len(data))):
        data += chunk
    return data
while len(header := read(5)) == 5:
    body = read(int.from_bytes(header[:4], "big") - 1)
    if header[4] == 102:
        time.sleep(1)
    sys.stdout.buffer.write(header + body)
    sys.stdout.buffer.flush()
)";

    static int FreePort() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), size);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        close(fd);
        return ntohs(address.sin_port);
    }
    bool Listening() const {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(m_port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }

    std::filesystem::path m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace tvtest
