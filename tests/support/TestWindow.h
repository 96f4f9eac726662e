#pragma once

#include <functional>
#include <memory>

#include "platform/PosixFileSystem.h"
#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::testing {

// The main window built as the program builds it on fake players and devices, with the
// given dialogs (or fake ones of its own), initialised; its tick is left to the caller.
struct TestWindow {
    // `optionsFile` keeps the context menu's options; `adjust` changes the services further.
    explicit TestWindow(Dialogs* given = nullptr, QSize screen = QSize(1280, 1024),
                        std::optional<QString> optionsFile = std::nullopt,
                        const std::function<void(WindowServices&)>& adjust = {}) {
        WindowServices services{
            {&deck1, &deck2, &mci, &devices, given != nullptr ? given : &dialogs, &shell, &files}};
        services.screenSize = screen;
        services.optionsFile = std::move(optionsFile);
        services.startTickTimer = false;
        services.workingDirectory = "/start/folder";
        if (adjust) {
            adjust(services);
        }
        w = std::make_unique<CKORVALEDlg>(services);
        w->OnInitDialog();
    }

    FakeMediaVoice deck1, deck2;
    FakeMciDevice mci;
    FakeAudioDevices devices;
    FakeShell shell;
    PosixFileSystem files;
    FakeDialogs dialogs; // used when no dialogs are given
    std::unique_ptr<CKORVALEDlg> w;
};

} // namespace korvale::testing
