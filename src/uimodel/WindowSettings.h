#pragma once

namespace tv {

class CProfile;

// What the windows keep in the profile besides the preferences and the language: their sizes.
// Main thread; every function blocks on disk I/O (the profile is a file).

// The windows whose size is kept.
enum class KeptWindow { Main, Preview };

// A window's size as kept; 0 where none was kept.
struct CWindowPlacement {
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bMaximized = false;

    // A damaged or hand-edited profile may hold sizes no window can take.
    bool HasSize() const { return m_nWidth > 0 && m_nHeight > 0; }
};

CWindowPlacement LoadPlacement(const CProfile& profile, KeptWindow window);
// Keeps the maximized state, and the size when `placement` has one: a window the user never
// resized leaves the size kept before.
void StorePlacement(CProfile& profile, KeptWindow window, const CWindowPlacement& placement);

}  // namespace tv
