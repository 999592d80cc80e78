#pragma once

#include <csignal>

#include <sys/resource.h>

namespace tvtest {

// A full disk that a test can make: while the object lives, files of this process (and of the
// programs it starts, which inherit both settings) may grow to `bytes` only, and a write beyond
// fails with EFBIG instead of ending the process.
class CFileSizeLimit {
  public:
    explicit CFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

  private:
    rlimit m_saved{};
    sighandler_t m_oldHandler;
};

}  // namespace tvtest
