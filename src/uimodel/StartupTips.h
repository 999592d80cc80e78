#pragma once

#include <cstdint>

namespace tv {

class CProfile;

// The tip of the day shown at start-up. Tips are numbered 0 to 8 (texts 40000 to 40008); the
// profile value "ShowTip" names the next one (1 when absent) and goes round the nine. Main
// thread; the constructor and Close block on disk I/O.
class CStartupTips {
  public:
    static constexpr int kCount = 9;

    explicit CStartupTips(CProfile& profile);

    int Current() const { return m_nTip; }
    int TextId() const;
    // The following tip, after the last one the first.
    void Next();
    // Stores the tip after the one shown last and, when the user changed "Show tips on
    // startup", the preference bit, in memory and in the profile.
    void Close(bool showOnStartup, uint32_t& preferences);

  private:
    CProfile& m_profile;
    int m_nTip;
};

}  // namespace tv
