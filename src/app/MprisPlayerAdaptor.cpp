#include "app/MprisPlayerAdaptor.h"

#include <utility>

#include "interfaces/PathLength.h"

namespace korvale {

namespace {

constexpr char kNotAFileUriText[] = "Only local file URIs (file:///...) can be opened: %1";
constexpr char kPathTooLongText[] = "The path is longer than %1 characters: %2";
constexpr char kNotAFileText[] = "No such file: %1";
constexpr char kInvalidArgsError[] = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr char kFileNotFoundError[] = "org.freedesktop.DBus.Error.FileNotFound";

QString FromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* object, QDBusConnection connection,
                                       MediaControls& controls)
    : QDBusAbstractAdaptor(object), m_connection(std::move(connection)), m_controls(controls) {}

QString MprisPlayerAdaptor::StatusText(korvale::PlaybackStatus status) {
    switch (status) {
    case korvale::PlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case korvale::PlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case korvale::PlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisPlayerAdaptor::MetadataOf(const MediaState& state) {
    if (!state.deck) {
        return {};
    }
    return {
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(QDBusObjectPath(FromBytes(state.trackId)))},
        {QStringLiteral("xesam:title"), FromBytes(state.title)},
        {QStringLiteral("xesam:url"), FromBytes(state.url)},
        {QStringLiteral("mpris:length"),
         QVariant::fromValue(static_cast<qlonglong>(state.lengthMicroseconds))},
    };
}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return StatusText(m_controls.State().status);
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    return MetadataOf(m_controls.State());
}

double MprisPlayerAdaptor::Volume() const {
    return m_controls.Volume();
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    m_controls.SetVolume(volume);
}

qlonglong MprisPlayerAdaptor::Position() const {
    return m_controls.PositionMicroseconds();
}

bool MprisPlayerAdaptor::CanGoNext() const {
    return m_controls.State().canGoNext;
}

void MprisPlayerAdaptor::Play() {
    m_controls.Play();
}

void MprisPlayerAdaptor::Pause() {
    m_controls.Pause();
}

void MprisPlayerAdaptor::PlayPause() {
    m_controls.PlayPause();
}

void MprisPlayerAdaptor::Stop() {
    m_controls.Stop();
}

void MprisPlayerAdaptor::Next() {
    m_controls.Next();
}

void MprisPlayerAdaptor::OpenUri(const QString& uri, const QDBusMessage& message) {
    const QByteArray bytes = uri.toUtf8();
    const OpenUriOutcome outcome = m_controls.OpenUri(bytes.toStdString());
    const char* error = kInvalidArgsError;
    QString text;
    switch (outcome) {
    case OpenUriOutcome::Added:
        return;
    case OpenUriOutcome::NotAFileUri:
        text = QString::fromLatin1(kNotAFileUriText).arg(uri);
        break;
    case OpenUriOutcome::PathTooLong:
        text = QString::fromLatin1(kPathTooLongText)
                   .arg(static_cast<qulonglong>(kMaxPathCharacters))
                   .arg(uri);
        break;
    case OpenUriOutcome::NotAFile:
        error = kFileNotFoundError;
        text = QString::fromLatin1(kNotAFileText).arg(uri);
        break;
    }
    message.setDelayedReply(true);
    m_connection.send(message.createErrorReply(QLatin1String(error), text));
}

} // namespace korvale
