#include "scan/SkippedItems.h"

#include <utility>

namespace tv {

void CSkippedItems::Add(CSkippedItem item) {
    std::lock_guard lock(m_mutex);
    m_items.push_back(std::move(item));
}

std::vector<CSkippedItem> CSkippedItems::Take() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_items, {});
}

}  // namespace tv
