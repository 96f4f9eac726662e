#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "core/MediaControls.h"

namespace korvale {

// The desktop media controls' player interface (org.mpris.MediaPlayer2.Player) over the
// core's MediaControls: the clip on air, its status, the media keys. Previous, Seek and
// SetPosition are not offered (CanGoPrevious and CanSeek are false) and do nothing.
// Position is read when asked and never signalled. Volume is the master level the window's
// Master slider sets; Rate is always 1.0, and setting it is accepted and changes nothing.
// UI thread; OpenUri blocks while the clip's length is read, setting Volume while the
// level is written to the device.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    // `object` is the exported object the adaptor serves on; `connection` carries the error
    // replies; `controls` must outlive the adaptor.
    MprisPlayerAdaptor(QObject* object, QDBusConnection connection, MediaControls& controls);

    // The property texts and maps of a state, for the properties and their change signals.
    static QString StatusText(korvale::PlaybackStatus status);
    static QVariantMap MetadataOf(const MediaState& state);

    QString PlaybackStatus() const;
    double Rate() const { return 1.0; }
    void SetRate(double /*rate*/) {}
    QVariantMap Metadata() const;
    double Volume() const;
    void SetVolume(double volume);
    qlonglong Position() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const { return false; }
    bool CanPlay() const { return true; }
    bool CanPause() const { return true; }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

public Q_SLOTS:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous() {}
    void Seek(qlonglong /*offsetMicroseconds*/) {}
    void SetPosition(const QDBusObjectPath& /*trackId*/, qlonglong /*positionMicroseconds*/) {}
    // Answers org.freedesktop.DBus.Error.InvalidArgs for anything but a local file URI
    // (and a path too long to hold), org.freedesktop.DBus.Error.FileNotFound when the URI
    // names no regular file.
    void OpenUri(const QString& uri, const QDBusMessage& message);

Q_SIGNALS:
    void Seeked(qlonglong positionMicroseconds);

private:
    QDBusConnection m_connection;
    MediaControls& m_controls;
};

} // namespace korvale
