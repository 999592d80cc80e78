#include "platform/Notify.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/NotifyBus.h"
#include "platform/TcpSocket.h"

namespace tv {

namespace {

constexpr int kBusTimeoutMs = 5000;
constexpr size_t kMaxSenderName = 16;
constexpr uint32_t kHelloSerial = 1;
constexpr uint32_t kNotifySerial = 2;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The session bus's socket: "unix:path=..." or "unix:abstract=..." from the environment, else
// the usual one in the runtime folder.
bool BusAddress(sockaddr_un* address, socklen_t* length) {
    std::string path;
    bool abstract = false;
    const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string text = env != nullptr ? env : "";
    for (const char* key : {"unix:path=", "unix:abstract="}) {
        const size_t at = text.find(key);
        if (at != std::string::npos && path.empty()) {
            const size_t start = at + std::strlen(key);
            path = text.substr(start, text.find_first_of(",;", start) - start);
            abstract = key[5] == 'a';
        }
    }
    if (path.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        path = std::string(runtime != nullptr ? runtime : "/run/user/" + std::to_string(getuid())) +
               "/bus";
    }
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address->sun_path) {
        return false;
    }
    *address = {};
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path + offset, path.data(), path.size());
    *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                     (abstract ? 0 : 1));
    return true;
}

class CBusConnection {
  public:
    ~CBusConnection() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    bool Open(std::string* error) {
        sockaddr_un address;
        socklen_t length = 0;
        if (!BusAddress(&address, &length)) {
            *error = "no session bus";
            return false;
        }
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval timeout{kBusTimeoutMs / 1000, 0};
        if (m_fd < 0 || setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0 ||
            setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0 ||
            connect(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
            *error = std::strerror(errno);
            return false;
        }
        return Authenticate(error);
    }

    bool Write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }

    // Reads until the reply to `serial` has come; its type (2 return, 3 error), or 0.
    uint8_t AwaitReply(uint32_t serial) {
        for (;;) {
            CBusReply reply;
            while (ParseBusHeader(m_in, &reply) && m_in.size() >= reply.m_nTotalBytes) {
                m_in.erase(0, reply.m_nTotalBytes);
                if (reply.m_nReplySerial == serial && (reply.m_nType == 2 || reply.m_nType == 3)) {
                    return reply.m_nType;
                }
                reply = {};
            }
            if (!Fill()) {
                return 0;
            }
        }
    }

  private:
    bool Fill() {
        char buffer[4096];
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0 || m_in.size() > (1u << 24)) {
            return false;
        }
        m_in.append(buffer, static_cast<size_t>(n));
        return true;
    }

    bool Authenticate(std::string* error) {
        char uid[32];
        std::snprintf(uid, sizeof uid, "%u", static_cast<unsigned>(getuid()));
        std::string hex;
        for (const char* c = uid; *c != '\0'; ++c) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(*c));
            hex += pair;
        }
        if (!Write(std::string(1, '\0') + "AUTH EXTERNAL " + hex + "\r\n")) {
            *error = std::strerror(errno);
            return false;
        }
        while (m_in.find("\r\n") == std::string::npos) {
            if (!Fill()) {
                *error = "the session bus did not answer";
                return false;
            }
        }
        const bool accepted = m_in.rfind("OK ", 0) == 0;
        m_in.erase(0, m_in.find("\r\n") + 2);
        if (!accepted || !Write("BEGIN\r\n")) {
            *error = "the session bus refused the login";
            return false;
        }
        return true;
    }

    int m_fd = -1;
    std::string m_in;
};

std::string NotifyBody(const std::string& sender, const std::string& text) {
    CBusWriter body;
    body.String("Twinvale");  // the application
    body.Uint32(0);           // replaces no earlier notification
    body.String("");          // no icon
    body.String(text);
    body.String(sender);
    body.EndArray(body.BeginArray(4), 4);    // no actions
    body.EndArray(body.BeginArray(8), 8);    // no hints
    body.Uint32(static_cast<uint32_t>(-1));  // the server's own display time
    return body.Bytes();
}

}  // namespace

bool IsThisComputer(const std::string& computer) {
    const std::string name = Lower(computer);
    const std::string host = Lower(LocalHostName());
    return name == host || name == host.substr(0, host.find('.')) || name == "localhost" ||
           name == ".";
}

NetMessageResult SendNetMessage(const std::string& computer, const std::string& text,
                                std::string* error) {
    if (!IsThisComputer(computer)) {
        return NetMessageResult::NotThisComputer;
    }
    CBusConnection bus;
    if (!bus.Open(error)) {
        return NetMessageResult::Failed;
    }
    const std::string sender = LocalHostName().substr(0, kMaxSenderName);
    const std::string hello =
        BusMethodCall(kHelloSerial, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus", "Hello", "", "");
    const std::string notify = BusMethodCall(
        kNotifySerial, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify", "susssasa{sv}i", NotifyBody(sender, text));
    if (!bus.Write(hello) || bus.AwaitReply(kHelloSerial) != 2 || !bus.Write(notify)) {
        *error = "the session bus did not answer";
        return NetMessageResult::Failed;
    }
    if (bus.AwaitReply(kNotifySerial) != 2) {
        *error = "no notification service answered";
        return NetMessageResult::Failed;
    }
    return NetMessageResult::Shown;
}

}  // namespace tv
