#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "core/MediaControls.h"

namespace korvale {

// The desktop media controls on the session bus: the object /org/mpris/MediaPlayer2 with
// the root and player interfaces, under the bus name org.mpris.MediaPlayer2.korvale (a
// second running copy takes org.mpris.MediaPlayer2.korvale.instance<pid>). It lives while
// the main window runs; going, it gives up the name and the object.
//
// Changes (the status, the clip, CanGoNext, and the master level whoever moved it) are found
// by comparing the controls' state with the last one sent every kChangeCheckPeriodMs, so
// PropertiesChanged comes at most that often, never per tick.
// UI thread; Publish and the destructor block briefly on the bus daemon.
class MprisServer : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kBusName = "org.mpris.MediaPlayer2.korvale";
    static constexpr const char* kInstanceSuffix = ".instance";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
    static constexpr int kChangeCheckPeriodMs = 250;

    // Neither `controls` nor `window` is owned; both must outlive the server.
    MprisServer(QDBusConnection connection, MediaControls& controls, QWidget* window);
    ~MprisServer() override;

    MprisServer(const MprisServer&) = delete;
    MprisServer& operator=(const MprisServer&) = delete;

    // Publishes the object and claims a name; false (and nothing published) when neither
    // name could be had.
    bool Publish();
    // The bus name held; empty when none.
    const QString& BusName() const { return m_busName; }

private Q_SLOTS:
    void CheckForChanges();

private:
    QDBusConnection m_connection;
    MediaControls& m_controls;
    QString m_busName;
    MediaState m_sent;
    QTimer m_changeCheck;
};

} // namespace korvale
