#include "ui/OptionsMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QSettings>
#include <QSignalBlocker>

#include "core/ClipLeveling.h"

namespace korvale {

namespace {
constexpr const char* kMatchLoudnessKey = "options/matchClipLoudness";
constexpr const char* kSkipSilentEdgesKey = "options/skipSilentStartsAndEnds";
constexpr const char* kResumeKey = "options/resumeInterruptedRun";
} // namespace

OptionsMenu::OptionsMenu(ClipLeveling& leveling, std::optional<QString> optionsFile,
                         QWidget* parent)
    : QMenu(parent), m_leveling(leveling), m_optionsFile(std::move(optionsFile)) {
    setObjectName(QStringLiteral("OptionsMenu"));
    MatchLoudnessAction = addAction(QString::fromLatin1(kMatchLoudnessText));
    MatchLoudnessAction->setObjectName(QStringLiteral("MatchLoudnessAction"));
    SkipSilentEdgesAction = addAction(QString::fromLatin1(kSkipSilentEdgesText));
    SkipSilentEdgesAction->setObjectName(QStringLiteral("SkipSilentEdgesAction"));
    ResumeAction = addAction(QString::fromLatin1(kResumeText));
    ResumeAction->setObjectName(QStringLiteral("ResumeAction"));
    for (QAction* action : {MatchLoudnessAction, SkipSilentEdgesAction, ResumeAction}) {
        action->setCheckable(true);
    }
    addSeparator();
    SettingsAction = addAction(QString::fromLatin1(kSettingsText));
    SettingsAction->setObjectName(QStringLiteral("SettingsAction"));
    // Ctrl+, and the desktop's own Preferences key where that is another one.
    QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::Key_Comma)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Preferences)) {
        if (!keys.contains(key)) {
            keys << key;
        }
    }
    SettingsAction->setShortcuts(keys);
    connect(MatchLoudnessAction, &QAction::toggled, this, [this](bool on) {
        m_leveling.SetMatchLoudness(on);
        Keep(kMatchLoudnessKey, on);
    });
    connect(SkipSilentEdgesAction, &QAction::toggled, this, [this](bool on) {
        m_leveling.SetSkipSilentEdges(on);
        Keep(kSkipSilentEdgesKey, on);
    });
    connect(ResumeAction, &QAction::toggled, this, [this](bool on) { Keep(kResumeKey, on); });
}

void OptionsMenu::Restore(bool matchLoudnessSwitch, bool skipSilentEdgesSwitch) {
    bool match = matchLoudnessSwitch;
    bool skip = skipSilentEdgesSwitch;
    if (m_optionsFile) {
        const QSettings kept(*m_optionsFile, QSettings::IniFormat);
        match = match || kept.value(QLatin1String(kMatchLoudnessKey), false).toBool();
        skip = skip || kept.value(QLatin1String(kSkipSilentEdgesKey), false).toBool();
        const QSignalBlocker blockResume(ResumeAction);
        ResumeAction->setChecked(kept.value(QLatin1String(kResumeKey), false).toBool());
    }
    m_leveling.SetMatchLoudness(match);
    m_leveling.SetSkipSilentEdges(skip);
    ShowOptions();
}

void OptionsMenu::ShowOptions() {
    const QSignalBlocker blockMatch(MatchLoudnessAction);
    const QSignalBlocker blockSkip(SkipSilentEdgesAction);
    MatchLoudnessAction->setChecked(m_leveling.MatchLoudness());
    SkipSilentEdgesAction->setChecked(m_leveling.SkipSilentEdges());
}

bool OptionsMenu::ResumesAtStart() const {
    return ResumeAction->isChecked();
}

void OptionsMenu::Keep(const char* key, bool on) {
    if (!m_optionsFile) {
        return;
    }
    QSettings kept(*m_optionsFile, QSettings::IniFormat);
    kept.setValue(QLatin1String(key), on);
    kept.sync(); // a failed write leaves the option on for this run only
}

} // namespace korvale
