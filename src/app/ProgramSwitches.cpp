#include "app/ProgramSwitches.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <array>

#include "ui/CKORVALEDlg.h"

namespace korvale {

namespace {

constexpr const char* kProgramName = "korvale"; // when the command line names none
constexpr const char* kVersionText = "KORVALE " KORVALE_SHORT_VERSION_TEXT "\n";
constexpr const char* kDescription =
    "KORVALE, a two-deck mixing player: it plays a list of clips on two decks and\n"
    "cross-fades from one into the next, by hand or unattended.";

// A switch that turns a setting of the window on for one run.
struct UserSwitch {
    const char* name;
    const char* help;
    bool WindowServices::*setting;
};

// The user's switches, in the order "--help" lists them after its own two. A row added here
// is read, listed by "--help" and named in the manual page.
constexpr std::array kUserSwitches{
    UserSwitch{"match-loudness", "Turn \"Match clip loudness\" on for this run.",
               &WindowServices::matchLoudnessSwitch},
    UserSwitch{"skip-silent-edges", "Turn \"Skip silent starts and ends\" on for this run.",
               &WindowServices::skipSilentEdgesSwitch},
    UserSwitch{"broadcast",
               "Turn \"Broadcast the mix\" on for this run with the kept settings of the "
               "Broadcast page.",
               &WindowServices::broadcastSwitch},
    UserSwitch{"record",
               "Turn \"Record the mix\" on for this run with the kept settings of the "
               "Recording page.",
               &WindowServices::recordSwitch},
    UserSwitch{"resume",
               "Resume the interrupted run (one that a crash, a kill, a power cut or a stop "
               "from outside ended, not \"X\") at this start, where it stood.",
               &WindowServices::resumeSwitch},
};

QCommandLineOption HelpOption() {
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("Print this help and end."));
}
QCommandLineOption VersionOption() {
    return QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                              QStringLiteral("Print the version and end."));
}

// The parser with every switch, in the order "--help" lists them.
void AddSwitches(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addOption(HelpOption());
    parser.addOption(VersionOption());
    for (const UserSwitch& row : kUserSwitches) {
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(row.name), QString::fromUtf8(row.help)));
    }
}

} // namespace

ProgramSwitches::ProgramSwitches(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    m_programName = QFileInfo(arguments.value(0)).fileName().toStdString();
    if (m_programName.empty()) {
        m_programName = kProgramName;
    }
    QCommandLineParser parser;
    AddSwitches(parser);
    // Unknown words make parse() report an error; they are left alone all the same.
    parser.parse(arguments);
    m_help = parser.isSet(HelpOption());
    m_version = parser.isSet(VersionOption());
    for (const UserSwitch& row : kUserSwitches) {
        m_given.push_back(parser.isSet(QString::fromLatin1(row.name)));
    }
}

std::optional<std::string> ProgramSwitches::Answer() const {
    if (m_help) {
        // The usage line names the program as it was started, without its folder; Qt takes
        // that name from the application object, which sets up nothing else here.
        std::string name = m_programName;
        int argc = 1;
        char* argv[] = {name.data(), nullptr};
        std::optional<QCoreApplication> named;
        if (QCoreApplication::instance() == nullptr) {
            named.emplace(argc, argv);
        }
        QCommandLineParser parser;
        AddSwitches(parser);
        return parser.helpText().toStdString();
    }
    if (m_version) {
        return std::string(kVersionText);
    }
    return std::nullopt;
}

void ProgramSwitches::Apply(WindowServices& services) const {
    for (std::size_t i = 0; i < kUserSwitches.size(); ++i) {
        if (m_given[i]) {
            services.*(kUserSwitches[i].setting) = true;
        }
    }
}

} // namespace korvale
