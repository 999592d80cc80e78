#pragma once
// A list view control of the layer: items with a position each, moved by
// LVM_SETITEMPOSITION (wParam the index, lParam the point packed by MakeLParam).
#include <cstdint>
#include <mutex>
#include <vector>

#include "MessageLayer.h"

namespace quill {

struct CItemPosition {
    std::int16_t x = 0;
    std::int16_t y = 0;
    bool operator==(const CItemPosition&) const = default;
};

class QUILL_API CListView : public CWindow {
  public:
    static constexpr const char* kClassName = "ListView";

    explicit CListView(int items);
    std::string ClassName() const override { return kClassName; }
    LResult Proc(WindowId self, std::uint32_t message, WParam wParam, LParam lParam) override;
    // Any thread.
    CItemPosition Position(int index) const;
    // Any thread: how many LVM_SETITEMPOSITION messages arrived, valid index or not.
    int MovesAsked() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<CItemPosition> m_items;
    int m_nMovesAsked = 0;
};

}  // namespace quill
