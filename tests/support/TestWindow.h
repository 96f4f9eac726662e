#pragma once

#include <memory>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::test {

// The main window built as the program builds it on fake players and devices, with the
// given dialogs (or fake ones of its own), initialised; its tick is left to the caller.
struct TestWindow {
    TestWindow() : TestWindow(nullptr) {}
    explicit TestWindow(Dialogs& given) : TestWindow(&given) {}
    // Keeps the context menu's options in `optionsFile`.
    explicit TestWindow(const QString& optionsFile) : TestWindow(nullptr, optionsFile) {}

    FakeMediaVoice deck1, deck2;
    FakeMciDevice mci;
    FakeAudioDevices devices;
    FakeShell shell;
    FakeDialogs dialogs; // used when no dialogs are given
    std::unique_ptr<CKORVALEDlg> w;

private:
    explicit TestWindow(Dialogs* given, std::optional<QString> optionsFile = std::nullopt) {
        WindowServices services{
            {&deck1, &deck2, &mci, &devices, given != nullptr ? given : &dialogs, &shell}};
        services.screenSize = QSize(1280, 1024);
        services.startTickTimer = false;
        services.workingDirectory = "/start/folder";
        services.optionsFile = std::move(optionsFile);
        w = std::make_unique<CKORVALEDlg>(services);
        w->OnInitDialog();
    }
};

} // namespace korvale::test
