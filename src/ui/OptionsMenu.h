#pragma once

#include <QMenu>
#include <QString>

#include <optional>

class QAction;

namespace korvale {

class ClipLeveling;

// The window's context menu: two checkable entries for the options that the core's clip
// leveling offers and one for resuming an interrupted run at the next start, kept across runs
// in an INI file, and "Settings..." (Ctrl+,), which the window connects to its settings
// window. UI thread.
class OptionsMenu : public QMenu {
    Q_OBJECT
public:
    static constexpr const char* kMatchLoudnessText = "Match clip loudness";
    static constexpr const char* kSkipSilentEdgesText = "Skip silent starts and ends";
    static constexpr const char* kResumeText = "Resume an interrupted run at start";
    static constexpr const char* kSettingsText = "Settings...";

    // `optionsFile`: where the choices are kept (nullopt: they are not kept). `leveling`
    // must outlive the menu.
    OptionsMenu(ClipLeveling& leveling, std::optional<QString> optionsFile, QWidget* parent);

    // Reads the kept choices (blocks on the file's I/O) and turns on what they or the
    // start-up switches ask for; a switch holds for this run without being kept.
    void Restore(bool matchLoudnessSwitch, bool skipSilentEdgesSwitch);
    // Checks the entries as the core's options stand.
    void ShowOptions();
    // Whether the program resumes an interrupted run when it starts (off until turned on).
    bool ResumesAtStart() const;

    QAction* MatchLoudnessAction = nullptr;
    QAction* SkipSilentEdgesAction = nullptr;
    QAction* ResumeAction = nullptr;
    QAction* SettingsAction = nullptr;

private:
    void Keep(const char* key, bool on);

    ClipLeveling& m_leveling;
    std::optional<QString> m_optionsFile;
};

} // namespace korvale
