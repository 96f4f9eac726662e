#include "app/MprisRootAdaptor.h"

namespace korvale {

namespace {

constexpr char kIdentity[] = "KORVALE";
constexpr char kDesktopEntry[] = "korvale";
constexpr char kFileScheme[] = "file";
// What the decoders play: MPEG audio through mpg123, the sound-file containers through
// libsndfile.
constexpr const char* kMimeTypes[] = {
    "audio/mpeg",   "audio/mp3",  "audio/wav",    "audio/x-wav", "audio/vnd.wave", "audio/aiff",
    "audio/x-aiff", "audio/flac", "audio/x-flac", "audio/ogg",   "audio/x-caf",    "audio/basic",
};

} // namespace

MprisRootAdaptor::MprisRootAdaptor(QObject* object, QWidget* window)
    : QDBusAbstractAdaptor(object), m_window(window) {}

QString MprisRootAdaptor::Identity() const {
    return QLatin1String(kIdentity);
}

QString MprisRootAdaptor::DesktopEntry() const {
    return QLatin1String(kDesktopEntry);
}

QStringList MprisRootAdaptor::SupportedUriSchemes() const {
    return {QLatin1String(kFileScheme)};
}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    QStringList types;
    for (const char* type : kMimeTypes) {
        types << QLatin1String(type);
    }
    return types;
}

void MprisRootAdaptor::Raise() {
    if (m_window != nullptr && m_window->isVisible()) {
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->raise();
        m_window->activateWindow();
    }
}

} // namespace korvale
