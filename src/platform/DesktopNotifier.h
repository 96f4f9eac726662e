#pragma once

#include <QDBusConnection>

#include "interfaces/DesktopNotices.h"

namespace korvale {

// Shows notices through the desktop's notification service
// (org.freedesktop.Notifications) on the session bus. Each notice is one message sent
// without waiting for its answer; where no such service runs (or the bus cannot start
// one) the bus's error answer is dropped and nothing is shown.
class DesktopNotifier : public DesktopNotices {
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr int kShownMs = 8000; // how long the bubble stays

    explicit DesktopNotifier(QDBusConnection bus);

    void Notify(const std::string& summary, const std::string& body) override;

private:
    QDBusConnection m_bus;
};

} // namespace korvale
