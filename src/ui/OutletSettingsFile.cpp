#include "ui/OutletSettingsFile.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <array>
#include <utility>

namespace korvale {

namespace {

constexpr const char* kRecordingSubfolder = "/KORVALE";

// The formats as the file names them.
constexpr std::array kStreamFormatNames{std::pair{StreamFormat::Mp3, "mp3"},
                                        std::pair{StreamFormat::OggVorbis, "vorbis"},
                                        std::pair{StreamFormat::OggOpus, "opus"}};
constexpr std::array kRecordingFormatNames{std::pair{RecordingFormat::Flac, "flac"},
                                           std::pair{RecordingFormat::Wav, "wav"},
                                           std::pair{RecordingFormat::Mp3, "mp3"}};

template <typename Format, std::size_t N>
QString NameOf(const std::array<std::pair<Format, const char*>, N>& names, Format format) {
    for (const auto& [value, name] : names) {
        if (value == format) {
            return QString::fromLatin1(name);
        }
    }
    return QString::fromLatin1(names.front().second);
}

// The format the file names, or `fallback` for a name it does not know.
template <typename Format, std::size_t N>
Format FormatNamed(const std::array<std::pair<Format, const char*>, N>& names, const QString& name,
                   Format fallback) {
    for (const auto& [value, text] : names) {
        if (name == QLatin1String(text)) {
            return value;
        }
    }
    return fallback;
}

std::string Text(const QSettings& kept, const char* key, const std::string& fallback) {
    return kept.value(QLatin1String(key), QString::fromStdString(fallback))
        .toString()
        .toStdString();
}

int Number(const QSettings& kept, const char* key, int fallback) {
    bool ok = false;
    const int value = kept.value(QLatin1String(key), fallback).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

OutletSettingsFile::OutletSettingsFile(std::optional<QString> file) : m_file(std::move(file)) {}

QString OutletSettingsFile::DefaultRecordingFolder() {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    }
    return music + QLatin1String(kRecordingSubfolder);
}

QString OutletSettingsFile::Folder() const {
    return m_file ? QFileInfo(*m_file).absolutePath() : QString();
}

BroadcastSettings OutletSettingsFile::Broadcast() const {
    BroadcastSettings settings;
    if (!m_file) {
        return settings;
    }
    QSettings kept(*m_file, QSettings::IniFormat);
    kept.beginGroup(QStringLiteral("broadcast"));
    settings.host = Text(kept, "host", settings.host);
    settings.port = Number(kept, "port", settings.port);
    settings.mount = Text(kept, "mount", settings.mount);
    settings.user = Text(kept, "user", settings.user);
    settings.format = FormatNamed(kStreamFormatNames,
                                  kept.value(QStringLiteral("format")).toString(), settings.format);
    settings.mp3Kbps = Number(kept, "mp3Kbps", settings.mp3Kbps);
    settings.vorbisQuality = Number(kept, "vorbisQuality", settings.vorbisQuality);
    settings.opusKbps = Number(kept, "opusKbps", settings.opusKbps);
    settings.name = Text(kept, "name", settings.name);
    settings.description = Text(kept, "description", settings.description);
    settings.genre = Text(kept, "genre", settings.genre);
    return settings;
}

RecordingSettings OutletSettingsFile::Recording() const {
    RecordingSettings settings;
    settings.folder = DefaultRecordingFolder().toStdString();
    if (!m_file) {
        return settings;
    }
    QSettings kept(*m_file, QSettings::IniFormat);
    kept.beginGroup(QStringLiteral("recording"));
    settings.folder = Text(kept, "folder", settings.folder);
    settings.format = FormatNamed(kRecordingFormatNames,
                                  kept.value(QStringLiteral("format")).toString(), settings.format);
    settings.mp3Kbps = Number(kept, "mp3Kbps", settings.mp3Kbps);
    settings.nowPlayingFile = Text(kept, "nowPlayingFile", settings.nowPlayingFile);
    return settings;
}

bool OutletSettingsFile::Keep(const BroadcastSettings& settings) {
    if (!m_file) {
        return true;
    }
    QSettings kept(*m_file, QSettings::IniFormat);
    kept.beginGroup(QStringLiteral("broadcast"));
    kept.setValue(QStringLiteral("host"), QString::fromStdString(settings.host));
    kept.setValue(QStringLiteral("port"), settings.port);
    kept.setValue(QStringLiteral("mount"), QString::fromStdString(settings.mount));
    kept.setValue(QStringLiteral("user"), QString::fromStdString(settings.user));
    kept.setValue(QStringLiteral("format"), NameOf(kStreamFormatNames, settings.format));
    kept.setValue(QStringLiteral("mp3Kbps"), settings.mp3Kbps);
    kept.setValue(QStringLiteral("vorbisQuality"), settings.vorbisQuality);
    kept.setValue(QStringLiteral("opusKbps"), settings.opusKbps);
    kept.setValue(QStringLiteral("name"), QString::fromStdString(settings.name));
    kept.setValue(QStringLiteral("description"), QString::fromStdString(settings.description));
    kept.setValue(QStringLiteral("genre"), QString::fromStdString(settings.genre));
    kept.endGroup();
    kept.sync();
    return kept.status() == QSettings::NoError;
}

bool OutletSettingsFile::Keep(const RecordingSettings& settings) {
    if (!m_file) {
        return true;
    }
    QSettings kept(*m_file, QSettings::IniFormat);
    kept.beginGroup(QStringLiteral("recording"));
    kept.setValue(QStringLiteral("folder"), QString::fromStdString(settings.folder));
    kept.setValue(QStringLiteral("format"), NameOf(kRecordingFormatNames, settings.format));
    kept.setValue(QStringLiteral("mp3Kbps"), settings.mp3Kbps);
    kept.setValue(QStringLiteral("nowPlayingFile"),
                  QString::fromStdString(settings.nowPlayingFile));
    kept.endGroup();
    kept.sync();
    return kept.status() == QSettings::NoError;
}

} // namespace korvale
