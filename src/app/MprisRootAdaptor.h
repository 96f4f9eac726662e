#pragma once

#include <QDBusAbstractAdaptor>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace korvale {

// The desktop media controls' root interface (org.mpris.MediaPlayer2): who the player is,
// what it opens, and Raise, which brings the main window up. The program ends only through
// its window, so Quit does nothing (CanQuit is false). UI thread; nothing blocks.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    // `object` is the exported object the adaptor serves on; `window` is raised on request
    // (neither is owned).
    MprisRootAdaptor(QObject* object, QWidget* window);

    bool CanQuit() const { return false; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const;
    QString DesktopEntry() const;
    QStringList SupportedUriSchemes() const;
    QStringList SupportedMimeTypes() const;

public Q_SLOTS:
    void Raise();
    void Quit() {}

private:
    QPointer<QWidget> m_window;
};

} // namespace korvale
