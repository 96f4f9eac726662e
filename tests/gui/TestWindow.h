#pragma once

#include <memory>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::test {

// The main window built as the program builds it on fake players and devices and the given
// dialogs, initialised; its tick is left to the test.
struct TestWindow {
    explicit TestWindow(Dialogs& dialogs) {
        WindowServices services{{&deck1, &deck2, &mci, &devices, &dialogs, &shell}};
        services.screenSize = QSize(1280, 1024);
        services.startTickTimer = false;
        services.workingDirectory = "/start/folder";
        w = std::make_unique<CKORVALEDlg>(services);
        w->OnInitDialog();
    }
    FakeMediaVoice deck1, deck2;
    FakeMciDevice mci;
    FakeAudioDevices devices;
    FakeShell shell;
    std::unique_ptr<CKORVALEDlg> w;
};

} // namespace korvale::test
