#pragma once

#include <memory>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::test {

// Builds a window on `services` as the tests use it: a 1280 x 1024 screen unless given,
// initialised, its tick timer not started (tests call OnTimer themselves).
std::unique_ptr<CKORVALEDlg> MakeTestWindow(WindowServices services, QSize screen = QSize(1280, 1024),
                                            bool initialise = true);

// A main window built on fakes, initialised as at start-up but without its running tick
// timer: tests call OnTimer themselves.
struct WindowFixture {
    explicit WindowFixture(QSize screen = QSize(1280, 1024), bool initialise = true);
    ~WindowFixture();

    FakeMediaVoice deck1;
    FakeMediaVoice deck2;
    FakeMciDevice mci;
    FakeAudioDevices devices;
    FakeDialogs dialogs;
    FakeShell shell;
    std::unique_ptr<CKORVALEDlg> window;

    CKORVALEDlg& w() { return *window; }
};

} // namespace korvale::test
