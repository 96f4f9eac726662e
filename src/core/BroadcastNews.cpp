#include "core/BroadcastNews.h"

#include "core/OutletStatusText.h"

namespace korvale {

std::optional<BroadcastNotice> BroadcastNews::Update(const BroadcastStatus& status) {
    const BroadcastState before = m_last;
    m_last = status.state;
    if (status.state == before) {
        return std::nullopt;
    }
    if (status.state == BroadcastState::Off) {
        m_lost = false; // turned off by the user: nothing is lost
        return std::nullopt;
    }
    if (status.state == BroadcastState::Connected) {
        if (!m_lost) {
            return std::nullopt;
        }
        m_lost = false;
        return BroadcastNotice{"KORVALE: the stream is back", OutletStatusText::Broadcast(status)};
    }
    if (before == BroadcastState::Connected) {
        m_lost = true;
        return BroadcastNotice{"KORVALE: the stream is lost", OutletStatusText::Broadcast(status)};
    }
    return std::nullopt;
}

} // namespace korvale
