#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace korvale {

// SIGTERM and SIGHUP (a service stop, a logout, a shutdown) reach the event loop as
// Received() instead of ending the process at once. The handler only writes a byte to a
// socket that the loop watches. One per process; UI thread.
class StopSignals : public QObject {
    Q_OBJECT
public:
    StopSignals();
    ~StopSignals() override;

Q_SIGNALS:
    void Received();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace korvale
