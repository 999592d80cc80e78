#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// A mail server for one connection on 127.0.0.1, answering as the test says: its greeting,
// a reply per command word (MAIL, RCPT...) or per "RCPT TO:<address>" line, and silence from
// a given command on. Keeps every byte it received.
class CScriptedSmtpServer {
  public:
    CScriptedSmtpServer() {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listen, 1);
        socklen_t size = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_nPort = ntohs(address.sin_port);
    }
    ~CScriptedSmtpServer() {
        shutdown(m_listen, SHUT_RDWR);
        if (m_thread.joinable()) {
            m_thread.join();
        }
        close(m_listen);
    }

    std::string Address() const { return "127.0.0.1:" + std::to_string(m_nPort); }
    void Start() {
        m_thread = std::thread([this] { Serve(); });
    }
    // Waits until the client has closed its connection: then the transcript is whole.
    void WaitForClose() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // Received so far: every command and the data, as sent.
    std::string Transcript() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

    std::string m_greeting = "220 test ready\r\n";
    std::string m_helloReply = "250-test greets you\r\n250 HELP\r\n";
    std::map<std::string, std::string> m_replies;  // a command word or a whole line
    std::string m_silentFrom;  // a command word, or "." for the data's end: no answer from then on

  private:
    void Serve() {
        const int fd = accept(m_listen, nullptr, nullptr);
        if (fd < 0) {
            return;
        }
        Put(fd, m_greeting);
        std::string pending;
        bool inData = false;
        bool silent = false;
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            {
                std::lock_guard lock(m_mutex);
                m_received.append(buffer, static_cast<size_t>(n));
            }
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (inData) {
                    inData = line != ".";
                    silent = silent || (!inData && m_silentFrom == ".");
                    if (!inData && !silent) {
                        Put(fd, Reply("END", "250 queued\r\n"));
                    }
                    continue;
                }
                const std::string word = line.substr(0, line.find_first_of(" :"));
                silent = silent || word == m_silentFrom;
                if (silent) {
                    continue;
                }
                inData = word == "DATA";
                Put(fd, Reply(line, Reply(word, DefaultReply(word))));
            }
        }
        close(fd);
    }

    std::string Reply(const std::string& key, const std::string& otherwise) const {
        const auto found = m_replies.find(key);
        return found == m_replies.end() ? otherwise : found->second;
    }
    std::string DefaultReply(const std::string& word) const {
        if (word == "HELO" || word == "EHLO") {
            return m_helloReply;
        }
        return word == "DATA" ? "354 go ahead\r\n" : word == "QUIT" ? "221 bye\r\n" : "250 ok\r\n";
    }
    static void Put(int fd, const std::string& text) {
        send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    }

    int m_listen = -1;
    int m_nPort = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::string m_received;
};
