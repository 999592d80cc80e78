#include "report/LogOutput.h"

#include <algorithm>

namespace tv {

namespace {

constexpr size_t kWriteBytes = 64 * 1024;
// A cut looks at most three bytes before the limit and the one at it; keeping four back (and
// writing whole UTF-16 units only) lets it see them as they are in the whole content.
constexpr size_t kHeldBack = 4;

}  // namespace

CLogOutput::CLogOutput(LogEncoding encoding, size_t limitBytes,
                       std::function<bool(std::string_view)> write)
    : m_encoding(encoding), m_nLimit(limitBytes), m_write(std::move(write)) {}

void CLogOutput::Put(std::string_view text) {
    if (!IsPastLimit()) {
        PutEncoded(EncodeLogText(text, m_encoding));
    }
}

// Beyond the limit only the first byte matters, to tell where the cut falls.
void CLogOutput::PutEncoded(std::string_view bytes) {
    const uint64_t total = m_nWritten + m_held.size();
    if (m_nLimit != kNoLimit) {
        const uint64_t room = total > m_nLimit ? 0 : m_nLimit + 1 - total;
        bytes = bytes.substr(0, static_cast<size_t>(std::min<uint64_t>(room, bytes.size())));
    }
    m_held.append(bytes);
    if (m_held.size() >= kWriteBytes) {
        const size_t count = m_held.size() - kHeldBack;
        WriteHeld(count - count % 2);
    }
}

bool CLogOutput::Finish() {
    size_t count = m_held.size();
    if (IsPastLimit()) {
        count = LogCharBoundary(m_held, static_cast<size_t>(m_nLimit - m_nWritten), m_encoding);
    }
    WriteHeld(count);
    return !m_bFailed;
}

bool CLogOutput::IsPastLimit() const {
    return m_nLimit != kNoLimit && m_nWritten + m_held.size() > m_nLimit;
}

void CLogOutput::WriteHeld(size_t count) {
    if (!m_bFailed && count > 0) {
        m_bFailed = !m_write(std::string_view(m_held).substr(0, count));
    }
    m_nWritten += count;
    m_held.erase(0, count);
}

}  // namespace tv
