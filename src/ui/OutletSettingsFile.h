#pragma once

#include <QString>

#include <optional>

#include "interfaces/MixOutlets.h"

namespace korvale {

// Keeps the stream's and the recording's settings in the INI file of the context menu's
// options, in the groups "broadcast" and "recording". The password is never among them
// (a SecretStore keeps it), and neither is whether the outlets are on: they start off at
// every run unless a start-up switch turns them on. UI thread; every call blocks on the
// file's I/O.
class OutletSettingsFile {
public:
    // `file`: nullopt keeps nothing, and reads give the defaults.
    explicit OutletSettingsFile(std::optional<QString> file);

    // The kept settings; the defaults for what was never kept or cannot be read.
    BroadcastSettings Broadcast() const;
    RecordingSettings Recording() const;
    // False when the file could not be written.
    bool Keep(const BroadcastSettings& settings);
    bool Keep(const RecordingSettings& settings);

    // $XDG_MUSIC_DIR/KORVALE: where recordings go until the user chooses a folder.
    static QString DefaultRecordingFolder();
    // The folder of the settings file, where a password file would sit; empty when none.
    QString Folder() const;

private:
    std::optional<QString> m_file;
};

} // namespace korvale
