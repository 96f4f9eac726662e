#pragma once

#include <memory>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::test {

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
