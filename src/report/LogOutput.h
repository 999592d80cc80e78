#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "report/TaskLogSummary.h"
#include "report/TaskLogText.h"

namespace tv {

// The bytes of a log file as they are made. Text is encoded as it comes and handed on in large
// pieces; with a limit, the output ends at the largest character boundary not above it and the
// rest is dropped, exactly as if the whole content had been cut at once. One thread.
class CLogOutput final : public ILogSink {
  public:
    static constexpr size_t kNoLimit = SIZE_MAX;

    // `write` takes the bytes in order and says whether they were written; after it fails
    // once, it is not called again.
    CLogOutput(LogEncoding encoding, size_t limitBytes,
               std::function<bool(std::string_view)> write);

    // UTF-8 text, encoded on the way.
    void Put(std::string_view text) override;
    // Bytes already in the log's encoding.
    void PutEncoded(std::string_view bytes);
    // Hands on what was held back. False when any write failed.
    bool Finish();

  private:
    bool IsPastLimit() const;
    void WriteHeld(size_t count);

    LogEncoding m_encoding;
    size_t m_nLimit;
    std::function<bool(std::string_view)> m_write;
    std::string m_held;  // not written yet: where a cut falls depends on the last few bytes
    uint64_t m_nWritten = 0;
    bool m_bFailed = false;
};

}  // namespace tv
