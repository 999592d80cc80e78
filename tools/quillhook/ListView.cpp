#include "ListView.h"

namespace quill {

CListView::CListView(int items) : m_items(static_cast<std::size_t>(items)) {}

LResult CListView::Proc(WindowId, std::uint32_t message, WParam wParam, LParam lParam) {
    std::lock_guard lock(m_mutex);
    if (message == LVM_GETITEMCOUNT) {
        return static_cast<LResult>(m_items.size());
    }
    if (message != LVM_SETITEMPOSITION) {
        return 0;
    }
    ++m_nMovesAsked;
    if (wParam >= m_items.size()) {
        return 0;
    }
    // The halves are signed, as a point packed into one word is read everywhere.
    const auto packed = static_cast<std::uint32_t>(lParam);
    m_items[wParam] = CItemPosition{static_cast<std::int16_t>(packed & 0xFFFFu),
                                    static_cast<std::int16_t>(packed >> 16)};
    return 1;
}

CItemPosition CListView::Position(int index) const {
    std::lock_guard lock(m_mutex);
    return m_items.at(static_cast<std::size_t>(index));
}

int CListView::MovesAsked() const {
    std::lock_guard lock(m_mutex);
    return m_nMovesAsked;
}

}  // namespace quill
