#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TcpSocket.h"

namespace tv {

class CMailMessage;
class CSmtpReply;

enum class SmtpSecurity { Plain, StartTls };

// How the program reaches the mail server beyond its name: the same for every task, kept in
// the profile. A login is used only over a secure connection, so a password never travels
// in clear.
struct CSmtpAccount {
    SmtpSecurity m_security = SmtpSecurity::Plain;
    std::string m_strUser;  // empty: no login
    std::string m_strPassword;
};

// A small SMTP client for the e-mail reports: one server, any number of messages. Every wait
// for the server has a time-out, so a server that stops answering costs a run that time and
// no more. One thread at a time (the run's worker, or the settings page's test); every step
// blocks on the network and gives way to the cancel check.
class CSMTP {
  public:
    static constexpr auto kConnectTimeout = std::chrono::seconds(30);
    static constexpr auto kReplyTimeout = std::chrono::seconds(60);

    // `server` may end in ":PORT", which then replaces `port`.
    CSMTP(std::string_view server, int port, CSmtpAccount account = {});
    virtual ~CSMTP();
    CSMTP(const CSMTP&) = delete;
    CSMTP& operator=(const CSMTP&) = delete;

    void SetCancelCheck(CancelCheck canceled) { m_socket.SetCancelCheck(std::move(canceled)); }
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds reply);

    // Greeting, HELO (EHLO, STARTTLS and the login when the account asks for them).
    bool Connect();
    bool SendMessage(CMailMessage& message);
    // Says QUIT without waiting for the answer. Always true.
    bool Disconnect();

    const std::string& GetLastError() const { return m_strLastError; }
    // A line for each recipient that did not get the last message: refused by the server, or
    // not usable as written.
    const std::vector<std::string>& RecipientWarnings() const { return m_warnings; }
    const std::string& Server() const { return m_strServer; }
    int Port() const { return m_nPort; }

  protected:
    // Fills the message's header; false (with the error set) without recipients.
    virtual bool PrepareHeader(CMailMessage& message);

  private:
    // The replies each step expects, with the text used when another one comes.
    enum class Expect { Ok, Ready, DataReady };

    bool Fail(const std::string& text);
    bool FailSocket();
    bool Send(std::string_view text);
    bool Read(CSmtpReply& reply);
    bool Check(const CSmtpReply& reply, Expect expect);
    // Sends `command` and reads its reply; true when the reply has the code of `expect`.
    bool Command(std::string_view command, Expect expect, CSmtpReply* reply = nullptr);
    bool Greet();
    bool Secure(CSmtpReply& ehlo);
    bool Login(const CSmtpReply& ehlo);
    bool SendRecipients(const CMailMessage& message);
    bool SendContent(const CMailMessage& message);

    CTcpSocket m_socket;
    CSmtpAccount m_account;
    std::string m_strServer;
    int m_nPort = 25;
    std::string m_strMailer = "DO Ziva";
    std::string m_strHostName;
    std::chrono::milliseconds m_connectTimeout = kConnectTimeout;
    std::chrono::milliseconds m_replyTimeout = kReplyTimeout;
    bool m_bConnected = false;
    std::string m_strLastError;
    std::vector<std::string> m_warnings;
};

}  // namespace tv
