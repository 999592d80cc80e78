#include "report/MailMessage.h"

#include "report/MailEncoding.h"

namespace tv {

namespace {

std::string_view Trimmed(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

}  // namespace

bool CMailMessage::AddRecipients(std::string_view text) {
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find(';', at), text.size());
        const std::string_view piece = Trimmed(text.substr(at, end - at));
        at = end + 1;
        if (piece.empty()) {
            continue;
        }
        // A line break in a recipient could start a command or a header line of its own.
        if (piece.find_first_of("\r\n") != std::string_view::npos) {
            m_rejected.emplace_back(piece);
            continue;
        }
        CMailRecipient recipient;
        const size_t open = piece.find('<');
        if (open == std::string_view::npos) {
            recipient.m_strAddress = piece;
        } else {
            const size_t close = piece.find('>');
            if (close != std::string_view::npos && close < open) {
                return false;
            }
            recipient.m_strName = Trimmed(piece.substr(0, open));
            const size_t last = close == std::string_view::npos ? piece.size() : close;
            recipient.m_strAddress = Trimmed(piece.substr(open + 1, last - open - 1));
        }
        if (IsUsableAddress(recipient.m_strAddress)) {
            m_Recipients.push_back(std::move(recipient));
        } else {
            m_rejected.emplace_back(piece);
        }
    }
    return true;
}

}  // namespace tv
