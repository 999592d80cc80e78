#include "report/Smtp.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <random>

#include "base/StringTable.h"
#include "platform/SshKeyCodec.h"
#include "report/MailEncoding.h"
#include "report/MailMessage.h"
#include "report/SmtpReply.h"

namespace tv {

namespace {

// Servers answer in lines of at most 512 bytes; a longer one comes in pieces.
constexpr size_t kMaxReplyLine = 1024;

struct CServerName {
    std::string m_strHost;
    int m_nPort;
};

// "host", "host:587", "[::1]:587"; a bare IPv6 address keeps its colons.
CServerName SplitServer(std::string_view server, int port) {
    const size_t colon = server.rfind(':');
    const bool bracketed = !server.empty() && server.front() == '[';
    const bool onePortColon =
        colon != std::string_view::npos &&
        (bracketed ? colon > 0 && server[colon - 1] == ']' : server.find(':') == colon);
    int parsed = 0;
    const std::string_view digits = onePortColon ? server.substr(colon + 1) : std::string_view();
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (onePortColon && !digits.empty() && error == std::errc() &&
        end == digits.data() + digits.size() && parsed > 0 && parsed < 65536) {
        server = server.substr(0, colon);
        port = parsed;
    }
    if (server.size() >= 2 && server.front() == '[' && server.back() == ']') {
        server = server.substr(1, server.size() - 2);
    }
    return {std::string(server), port};
}

// A host name that can stand in HELO and a Message-ID as it is.
std::string SafeHostName(std::string name) {
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-'; },
        '-');
    return name.empty() ? std::string("localhost") : name;
}

std::string MessageId(std::time_t when, const std::string& host) {
    std::random_device random;
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%08x%08x", static_cast<long long>(when), random(),
                  random());
    return "<" + std::string(text) + "@" + host + ">";
}

}  // namespace

CSMTP::CSMTP(std::string_view server, int port, CSmtpAccount account)
    : m_account(std::move(account)), m_strHostName(SafeHostName(LocalHostName())) {
    CServerName name = SplitServer(server, port);
    m_strServer = std::move(name.m_strHost);
    m_nPort = name.m_nPort;
}

CSMTP::~CSMTP() {
    Disconnect();
}

void CSMTP::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds reply) {
    m_connectTimeout = connect;
    m_replyTimeout = reply;
}

bool CSMTP::Fail(const std::string& text) {
    m_strLastError = text;
    return false;
}

bool CSMTP::FailSocket() {
    switch (m_socket.LastError()) {
        case SocketError::TimedOut:
            return Fail(FormatText(LoadString(IDS_SMTP_TIMED_OUT).c_str(),
                                   static_cast<int>(m_replyTimeout.count() / 1000)));
        case SocketError::Canceled:
            return Fail(LoadString(IDS_SMTP_CANCELED));
        case SocketError::Tls:
            return Fail(FormatText(LoadString(IDS_SMTP_TLS_FAILED).c_str(),
                                   m_socket.ErrorDetail().c_str()));
        default:
            return Fail(LoadString(IDS_SMTP_SOCKET_ERROR));
    }
}

bool CSMTP::Send(std::string_view text) {
    return m_socket.WriteAll(text, m_replyTimeout) || FailSocket();
}

bool CSMTP::Read(CSmtpReply& reply) {
    while (!reply.IsComplete()) {
        const auto line = m_socket.ReadLine(kMaxReplyLine, m_replyTimeout);
        if (!line) {
            return FailSocket();
        }
        reply.Add(*line);
    }
    return true;
}

bool CSMTP::Check(const CSmtpReply& reply, Expect expect) {
    static constexpr struct {
        int m_nCode;
        int m_nTextId;
    } kTable[] = {
        {250, IDS_SMTP_SERVER_ERROR}, {220, IDS_SMTP_NOT_AVAILABLE}, {354, IDS_SMTP_NOT_READY}};
    const auto& entry = kTable[static_cast<int>(expect)];
    if (reply.Code() == entry.m_nCode) {
        return true;
    }
    return Fail(FormatText("%d:%s", reply.Code(), LoadString(entry.m_nTextId).c_str()));
}

bool CSMTP::Command(std::string_view command, Expect expect, CSmtpReply* reply) {
    CSmtpReply own;
    CSmtpReply& answer = reply ? *reply : own;
    return Send(command) && Read(answer) && Check(answer, expect);
}

bool CSMTP::Connect() {
    if (m_bConnected) {
        return true;
    }
    m_strLastError.clear();
    if (!m_socket.Connect(m_strServer, m_nPort, m_connectTimeout)) {
        const bool canceled = m_socket.LastError() == SocketError::Canceled;
        return Fail(LoadString(canceled ? IDS_SMTP_CANCELED
                               : m_socket.LastError() == SocketError::Create
                                   ? IDS_SMTP_NO_SOCKET
                                   : IDS_SMTP_NO_CONNECT));
    }
    CSmtpReply greeting;
    if (!Read(greeting) || !Check(greeting, Expect::Ready)) {
        m_socket.Close();
        return Fail(LoadString(IDS_SMTP_NO_GREETING));
    }
    if (!Greet()) {
        m_socket.Close();
        return false;
    }
    m_bConnected = true;
    return true;
}

// The plain way greets with HELO as ever; a secure connection needs the extensions of EHLO.
bool CSMTP::Greet() {
    if (m_account.m_security == SmtpSecurity::Plain) {
        return Command("HELO " + m_strHostName + "\r\n", Expect::Ok);
    }
    CSmtpReply ehlo;
    return Command("EHLO " + m_strHostName + "\r\n", Expect::Ok, &ehlo) && Secure(ehlo) &&
           (m_account.m_strUser.empty() || Login(ehlo));
}

bool CSMTP::Secure(CSmtpReply& ehlo) {
    if (!ehlo.Offers("STARTTLS")) {
        return Fail(LoadString(IDS_SMTP_NO_STARTTLS));
    }
    if (!Command("STARTTLS\r\n", Expect::Ready)) {
        return false;
    }
    if (!m_socket.StartTls(m_strServer, m_replyTimeout)) {
        return FailSocket();
    }
    // What the server offered before the handshake may have been forged: ask again.
    ehlo = CSmtpReply();
    return Command("EHLO " + m_strHostName + "\r\n", Expect::Ok, &ehlo);
}

bool CSMTP::Login(const CSmtpReply& ehlo) {
    const auto mechanisms = ehlo.AuthMechanisms();
    const auto offered = [&](const char* name) {
        return std::find(mechanisms.begin(), mechanisms.end(), name) != mechanisms.end();
    };
    CSmtpReply reply;
    bool sent = false;
    if (offered("PLAIN")) {
        const std::string token =
            std::string(1, '\0') + m_account.m_strUser + '\0' + m_account.m_strPassword;
        sent = Send("AUTH PLAIN " + Base64(token) + "\r\n") && Read(reply);
    } else if (offered("LOGIN")) {
        CSmtpReply step1;
        CSmtpReply step2;
        sent = Send("AUTH LOGIN\r\n") && Read(step1) && step1.Code() == 334 &&
               Send(Base64(m_account.m_strUser) + "\r\n") && Read(step2) && step2.Code() == 334 &&
               Send(Base64(m_account.m_strPassword) + "\r\n") && Read(reply);
        if (!sent && m_strLastError.empty()) {
            return Fail(FormatText(LoadString(IDS_SMTP_AUTH_FAILED).c_str(),
                                   (step2.Code() >= 0 ? step2 : step1).Text().c_str()));
        }
    } else {
        return Fail(LoadString(IDS_SMTP_NO_AUTH));
    }
    if (!sent) {
        return false;
    }
    return reply.Code() == 235 ||
           Fail(FormatText(LoadString(IDS_SMTP_AUTH_FAILED).c_str(), reply.Text().c_str()));
}

bool CSMTP::PrepareHeader(CMailMessage& message) {
    if (message.m_Recipients.empty()) {
        return Fail(LoadString(IDS_SMTP_NO_RECIPIENTS));
    }
    std::string to;
    for (const CMailRecipient& r : message.m_Recipients) {
        to += (to.empty() ? "" : ",") +
              (r.m_strName.empty() ? std::string() : DisplayName(r.m_strName) + " ") + "<" +
              r.m_strAddress + ">";
    }
    message.m_timeSent = std::time(nullptr);
    message.m_strBody = WithCrLf(message.m_strBody);
    const bool plain = EncodingFor(message.m_strBody) == TransferEncoding::SevenBit;
    message.m_strHeader = "Date: " + MailDate(message.m_timeSent) + "\r\n" +
                          "From: " + message.m_strFrom + "\r\n" + "To: " + to + "\r\n" +
                          "Subject: " + HeaderValue(message.m_strSubject) + "\r\n" +
                          "Message-ID: " + MessageId(message.m_timeSent, m_strHostName) + "\r\n" +
                          "MIME-Version: 1.0\r\n" + "Content-Type: text/plain; charset=UTF-8\r\n" +
                          "Content-Transfer-Encoding: " + (plain ? "7bit" : "quoted-printable") +
                          "\r\n" + "X-Mailer: <" + m_strMailer + ">\r\n\r\n";
    return true;
}

bool CSMTP::SendMessage(CMailMessage& message) {
    m_warnings.clear();
    if (!m_bConnected) {
        return Fail(LoadString(IDS_SMTP_NOT_CONNECTED));
    }
    for (const std::string& piece : message.RejectedPieces()) {
        m_warnings.push_back(
            FormatText(LoadString(IDS_MAIL_BAD_RECIPIENT).c_str(), HeaderValue(piece).c_str()));
    }
    // An empty sender is the null path that servers accept; anything else must be one address.
    if (!message.m_strFrom.empty() && !IsUsableAddress(message.m_strFrom)) {
        return Fail(FormatText(LoadString(IDS_MAIL_BAD_SENDER).c_str(),
                               HeaderValue(message.m_strFrom).c_str()));
    }
    if (!PrepareHeader(message) ||
        !Command("MAIL FROM:<" + message.m_strFrom + ">\r\n", Expect::Ok) ||
        !SendRecipients(message) || !Command("DATA\r\n", Expect::DataReady)) {
        return false;
    }
    return SendContent(message);
}

// A refused recipient does not stop the others from getting the mail.
bool CSMTP::SendRecipients(const CMailMessage& message) {
    for (const CMailRecipient& r : message.m_Recipients) {
        CSmtpReply reply;
        if (!Send("RCPT TO:<" + r.m_strAddress + ">\r\n") || !Read(reply)) {
            return false;
        }
        if (reply.Code() != 250 && reply.Code() != 251) {
            m_warnings.push_back(FormatText(LoadString(IDS_SMTP_RECIPIENT_REFUSED).c_str(),
                                            r.m_strAddress.c_str(), reply.Text().c_str()));
        }
    }
    return true;
}

bool CSMTP::SendContent(const CMailMessage& message) {
    const std::string body = EncodingFor(message.m_strBody) == TransferEncoding::SevenBit
                                 ? message.m_strBody
                                 : QuotedPrintable(message.m_strBody);
    CSmtpReply reply;
    return Send(message.m_strHeader) && Send(DotStuffed(body)) && Send(".\r\n") && Read(reply) &&
           Check(reply, Expect::Ok);
}

bool CSMTP::Disconnect() {
    if (m_bConnected) {
        // A short wait: the server's goodbye tells nothing the report needs.
        m_socket.WriteAll("QUIT\r\n", std::chrono::seconds(1));
    }
    m_socket.Close();
    m_bConnected = false;
    return true;
}

}  // namespace tv
