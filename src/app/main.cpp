// KORVALE's start-up: the start-up switches ("--help" and "--version" answer and end here),
// the session bus, the bus registration or the class factory, then the main window, run
// modally; the program ends when the window does.

#include <QApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QSettings>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/ActivationFile.h"
#include "app/AutomationServer.h"
#include "app/CommandLine.h"
#include "app/MprisServer.h"
#include "app/ProgramSwitches.h"
#include "app/RunKeeping.h"
#include "app/StopSignals.h"
#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "audio/IcecastBroadcaster.h"
#include "audio/MediaCommandInterpreter.h"
#include "audio/MixRecorder.h"
#include "core/MediaControls.h"
#include "core/OnAirAnnouncer.h"
#include "core/OnAirRecording.h"
#include "platform/AlsaAudioDevices.h"
#include "platform/DesktopNotifier.h"
#include "platform/DesktopShell.h"
#include "platform/PosixFileSystem.h"
#include "platform/QtDialogs.h"
#include "platform/SecretStoreChoice.h"
#include "platform/ShoutConnection.h"
#include "platform/WholeFile.h"
#include "platform/WritableFolderProbe.h"
#include "ui/CKORVALEDlg.h"
#include "ui/OptionsMenu.h"

namespace {

constexpr const char* kApplicationName = "KORVALE";
constexpr const char* kBusFailedText = "OLE initialization failed.  Make sure that the OLE "
                                       "libraries are the correct version.";
constexpr int kExitBusUnavailable = 1;

// Registers this program for bus activation; failures are silent by design.
void RegisterForActivation() {
    const auto folder =
        korvale::ActivationFile::ServicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (folder) {
        const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
        korvale::ActivationFile::WriteOrRepair(*folder, program.toStdString());
    }
}

} // namespace

int main(int argc, char** argv) {
    // A write past the file-size limit is reported by its writer, never a reason to die.
    korvale::IgnoreFileSizeSignal();
    // The switches are read from the command line as given, before Qt takes its own options:
    // "Embedding" and "Automation" first, then the user's switches.
    const korvale::StartRequest start =
        korvale::CommandLine::Parse(korvale::CommandLine::Join(argc, argv));
    const korvale::ProgramSwitches switches(argc, argv);
    if (const std::optional<std::string> answer = switches.Answer()) {
        std::fputs(answer->c_str(), stdout);
        return EXIT_SUCCESS;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kApplicationName));
    QApplication::setApplicationVersion(QLatin1String(KORVALE_VERSION_TEXT));
    // The built-in icon (the installed theme icon is the same picture); its PNG serves a Qt
    // without SVG support.
    QIcon builtInIcon(QStringLiteral(":/korvale/korvale.svg"));
    builtInIcon.addFile(QStringLiteral(":/korvale/korvale.png"));
    QApplication::setWindowIcon(builtInIcon);
    // The program ends when the main window's modal run ends, not when the last visible
    // window closes: while a client holds it, the window is hidden and a message box
    // closing must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    korvale::QtDialogs dialogs;
    // A stop from outside ends the run resumably instead of the process at once.
    korvale::StopSignals stopSignals;
    bool stoppedFromOutside = false;
    korvale::RunKeeping* keeper = nullptr; // set once the run is kept
    // A stop may come at any time, a message box of the start-up open: every event loop,
    // running or still to come, ends at once, and the program ends as after the window.
    QObject::connect(&stopSignals, &korvale::StopSignals::Received, [&] {
        stoppedFromOutside = true;
        if (keeper != nullptr) {
            keeper->Finish();
        }
        QCoreApplication::exit(EXIT_SUCCESS);
    });

    // The session bus, without which the program cannot serve its automation object.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        dialogs.messageBox(kBusFailedText, kApplicationName, korvale::MessageIcon::Exclamation,
                           korvale::MessageButtons::Ok);
        return kExitBusUnavailable;
    }

    // Started by a client: publish the factory. Otherwise repair the registration.
    std::unique_ptr<korvale::AutomationServer> automation;
    if (start.automated) {
        automation = std::make_unique<korvale::AutomationServer>(bus, /*userControl=*/false);
        automation->Publish();
    } else {
        RegisterForActivation();
    }

    // The real services and the main window.
    korvale::AudioEngine engine(korvale::MakeBestAudioOutput());
    korvale::AlsaAudioDevices devices;
    korvale::MediaCommandInterpreter mediaCommands(engine.voice(korvale::VoiceId::Cue));
    korvale::DesktopShell shell;
    korvale::PosixFileSystem files;
    korvale::WindowServices services;
    services.core.deck1 = &engine.voice(korvale::VoiceId::Deck1);
    services.core.deck2 = &engine.voice(korvale::VoiceId::Deck2);
    services.core.mci = &mediaCommands;
    services.core.devices = &devices;
    services.core.dialogs = &dialogs;
    services.core.shell = &shell;
    services.core.files = &files;

    // The context menu's options are kept in the user's configuration folder.
    services.optionsFile = QSettings(QSettings::IniFormat, QSettings::UserScope,
                                     QStringLiteral("korvale"), QStringLiteral("korvale"))
                               .fileName();
    switches.Apply(services);

    // The outlets of the mix: the live stream and the recording. They outlive the window,
    // whose settings window starts and stops them.
    korvale::IcecastBroadcaster broadcaster(engine.tap(korvale::TapId::Stream), engine.sampleRate(),
                                            &korvale::ShoutConnection::Make);
    korvale::MixRecorder recorder(engine.tap(korvale::TapId::Recording), engine.sampleRate());
    korvale::OnAirAnnouncer announcer(&broadcaster, &recorder);
    korvale::OnAirRecording recording(recorder, announcer);
    const std::unique_ptr<korvale::SecretStore> secrets =
        korvale::SecretStoreChoice::Make(bus, QFileInfo(*services.optionsFile).absolutePath());
    const korvale::WritableFolderProbe folders;
    korvale::DesktopNotifier notifier(bus);
    services.outlets = {&broadcaster, &recording, secrets.get(), &folders, &notifier};

    korvale::CKORVALEDlg window(services);
    QObject::connect(&window, &korvale::CKORVALEDlg::OnAirChanged,
                     [&] { announcer.Check(window.Core().Media().State()); });
    dialogs.SetOwner(&window);
    if (automation != nullptr) {
        automation->AttachWindow(&window);
    }
    window.OnInitDialog();
    // The run of a copy the user started is kept (and resumed when asked); a copy started by
    // a client serves that client only.
    std::unique_ptr<korvale::RunKeeping> keeping;
    if (!start.automated) {
        if (const auto folder = korvale::RunStateFiles::DefaultFolder(std::getenv("XDG_STATE_HOME"),
                                                                      std::getenv("HOME"))) {
            keeping = korvale::RunKeeping::Start(
                window.Core(), *folder, services.resumeSwitch || window.Options->ResumesAtStart());
        }
    }
    keeper = keeping.get();
    // The desktop's media controls reach the core while the window runs, not while a client
    // holds the program hidden. Without a name to claim the program runs without them.
    auto mediaControls =
        std::make_unique<korvale::MprisServer>(bus, window.Core().Media(), &window);
    mediaControls->Publish();
    if (!stoppedFromOutside) {
        window.RunUntilHidden();
    }
    mediaControls.reset();
    // Only the user's "X" ends the run: a later start resumes nothing.
    if (keeping != nullptr && !stoppedFromOutside) {
        keeping->EndRun();
    }
    // The run also ends when the window hides while a client holds the program; the
    // program then lives on, hidden, until the object goes.
    if (!stoppedFromOutside && automation != nullptr && automation->HasObject()) {
        QEventLoop held;
        QObject::connect(automation.get(), &korvale::AutomationServer::ObjectReleased, &held,
                         &QEventLoop::quit);
        held.exec();
    }
    // The window has ended (or its client let go): the program ends.
    return EXIT_SUCCESS;
}
