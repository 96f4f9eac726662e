#include "app/MprisServer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <utility>

#include "app/MprisPlayerAdaptor.h"
#include "app/MprisRootAdaptor.h"

namespace korvale {

namespace {

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr char kPropertiesChanged[] = "PropertiesChanged";

// Whether two states describe the same clip on air (everything the metadata shows).
bool SameClip(const MediaState& a, const MediaState& b) {
    return a.deck == b.deck && a.load == b.load && a.trackId == b.trackId && a.title == b.title &&
           a.url == b.url && a.lengthMicroseconds == b.lengthMicroseconds;
}

} // namespace

MprisServer::MprisServer(QDBusConnection connection, MediaControls& controls, QWidget* window)
    : m_connection(std::move(connection)), m_controls(controls) {
    new MprisRootAdaptor(this, window);
    new MprisPlayerAdaptor(this, m_connection, controls);
    m_changeCheck.setInterval(kChangeCheckPeriodMs);
    connect(&m_changeCheck, &QTimer::timeout, this, &MprisServer::CheckForChanges);
}

MprisServer::~MprisServer() {
    if (!m_busName.isEmpty()) {
        m_connection.unregisterService(m_busName);
        m_connection.unregisterObject(QLatin1String(kObjectPath));
    }
}

bool MprisServer::Publish() {
    if (!m_connection.isConnected() ||
        !m_connection.registerObject(QLatin1String(kObjectPath), this,
                                     QDBusConnection::ExportAdaptors)) {
        return false;
    }
    const QString name = QLatin1String(kBusName);
    const QString instance =
        name + QLatin1String(kInstanceSuffix) + QString::number(QCoreApplication::applicationPid());
    for (const QString& candidate : {name, instance}) {
        if (m_connection.registerService(candidate)) {
            m_busName = candidate;
            break;
        }
    }
    if (m_busName.isEmpty()) {
        m_connection.unregisterObject(QLatin1String(kObjectPath));
        return false;
    }
    m_sent = m_controls.State();
    m_changeCheck.start();
    return true;
}

void MprisServer::CheckForChanges() {
    const MediaState now = m_controls.State();
    if (now == m_sent) {
        return;
    }
    QVariantMap changed;
    if (now.status != m_sent.status) {
        changed.insert(QStringLiteral("PlaybackStatus"),
                       MprisPlayerAdaptor::StatusText(now.status));
    }
    if (!SameClip(now, m_sent)) {
        changed.insert(QStringLiteral("Metadata"), MprisPlayerAdaptor::MetadataOf(now));
    }
    if (now.canGoNext != m_sent.canGoNext) {
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    }
    if (now.volume != m_sent.volume) {
        changed.insert(QStringLiteral("Volume"), now.volume);
    }
    m_sent = now;
    QDBusMessage signal =
        QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(kPropertiesInterface),
                                   QLatin1String(kPropertiesChanged));
    signal << QString(QLatin1String(kPlayerInterface)) << changed << QStringList();
    m_connection.send(signal);
}

} // namespace korvale
