#pragma once

#include <string>

#include "platform/ServerChild.h"
#include "support/TestEnv.h"

namespace tvtest {

// What the proxy speaks: SOCKS4, SOCKS4a, SOCKS5 and HTTP CONNECT on one port (told apart by
// the first byte), or an FTP relay that takes "USER name@host:port" and connects there.
enum class ProxyKind { Tunnel, FtpRelay };

// A real proxy on 127.0.0.1 (python3, stdlib only). Every connection it makes onwards is one
// line "<how> <host>:<port>" in its log ("socks4", "socks4a", "socks5", "http", "relay"), so a
// test can prove that traffic went through it. With a user, SOCKS5 and HTTP demand that user and
// password and SOCKS4 that user id. Stopped on destruction.
class CProxyServer {
  public:
    CProxyServer(ProxyKind kind, const std::string& log, const std::string& user = {},
                 const std::string& password = {})
        : m_log(log),
          m_server(kScript,
                   {kind == ProxyKind::FtpRelay ? "relay" : "tunnel", log, user, password}) {}

    int Port() const { return m_server.Port(); }
    std::string Log() const {
        std::error_code ignored;
        return std::filesystem::exists(m_log, ignored) ? ReadFile(m_log) : std::string();
    }

  private:
    static constexpr const char* kScript = R"(
import base64, socket, struct, sys, threading
mode, log, user, pw = sys.argv[1:5]
lock = threading.Lock()
def exact(c, n):
    b = b''
    while len(b) < n:
        d = c.recv(n - len(b))
        if not d: raise OSError('eof')
        b += d
    return b
def until(c, end):
    b = b''
    while not b.endswith(end): b += exact(c, 1)
    return b
def onward(how, host, port):
    u = socket.create_connection((host, port))
    with lock, open(log, 'a') as f: f.write('%s %s:%d\n' % (how, host, port))
    return u
def socks4(c):
    h = exact(c, 7)
    port, ip = struct.unpack('>H', h[1:3])[0], socket.inet_ntoa(h[3:7])
    uid = until(c, b'\0')[:-1].decode()
    how, host = 'socks4', ip
    if ip.startswith('0.0.0.') and ip != '0.0.0.0':
        how, host = 'socks4a', until(c, b'\0')[:-1].decode()
    if user and uid != user:
        c.sendall(b'\0\x5b' + b'\0' * 6); return None
    u = onward(how, host, port); c.sendall(b'\0\x5a' + b'\0' * 6); return u
def socks5(c):
    methods = exact(c, exact(c, 1)[0])
    need = 2 if user else 0
    if need not in methods:
        c.sendall(b'\5\xff'); return None
    c.sendall(bytes([5, need]))
    if need:
        exact(c, 1)
        name = exact(c, exact(c, 1)[0]).decode(); word = exact(c, exact(c, 1)[0]).decode()
        ok = (name, word) == (user, pw)
        c.sendall(b'\1' + (b'\0' if ok else b'\1'))
        if not ok: return None
    atyp = exact(c, 4)[3]
    if atyp == 1: host = socket.inet_ntoa(exact(c, 4))
    elif atyp == 3: host = exact(c, exact(c, 1)[0]).decode()
    else: host = socket.inet_ntop(socket.AF_INET6, exact(c, 16))
    port = struct.unpack('>H', exact(c, 2))[0]
    u = onward('socks5', host, port); c.sendall(b'\5\0\0\1' + b'\0' * 6); return u
def http(c, first):
    lines = (first + until(c, b'\r\n\r\n')).decode().split('\r\n')
    method, target = lines[0].split(' ')[:2]
    want = 'basic ' + base64.b64encode(('%s:%s' % (user, pw)).encode()).decode().lower()
    if user and not any(l.lower().replace('proxy-authorization: ', '', 1) == want for l in lines):
        c.sendall(b'HTTP/1.1 407 Who\r\nProxy-Authenticate: Basic realm="p"\r\nContent-Length: 0\r\n\r\n')
        return None
    if method != 'CONNECT':
        c.sendall(b'HTTP/1.1 405 No\r\nContent-Length: 0\r\n\r\n'); return None
    host, port = target.rsplit(':', 1)
    u = onward('http', host.strip('[]'), int(port))
    c.sendall(b'HTTP/1.1 200 Connection established\r\n\r\n'); return u
def relay(c):
    c.sendall(b'220 relay ready\r\n')
    line = until(c, b'\r\n').decode().strip()
    name, _, target = line[5:].rpartition('@')
    host, _, port = target.partition(':')
    u = onward('relay', host, int(port or 21))
    until(u, b'\r\n')
    u.sendall(('USER %s\r\n' % name).encode())
    return u
def pump(a, b):
    try:
        while True:
            d = a.recv(65536)
            if not d: break
            b.sendall(d)
    except OSError: pass
    for s in (a, b):
        try: s.shutdown(socket.SHUT_RDWR)
        except OSError: pass
def serve(c):
    try:
        if mode == 'relay': u = relay(c)
        else:
            first = exact(c, 1)
            u = socks4(c) if first == b'\4' else socks5(c) if first == b'\5' else http(c, first)
    except (OSError, ValueError): u = None
    if u is None:
        c.close(); return
    threading.Thread(target=pump, args=(u, c), daemon=True).start()
    pump(c, u)
s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen(64)
print(s.getsockname()[1], flush=True)
while True:
    c, _ = s.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
)";

    std::string m_log;
    CPythonServer m_server;
};

}  // namespace tvtest
