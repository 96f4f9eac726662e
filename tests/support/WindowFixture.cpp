#include "support/WindowFixture.h"

namespace korvale::test {

WindowFixture::WindowFixture(QSize screen, bool initialise) {
    WindowServices services;
    services.deck1 = &deck1;
    services.deck2 = &deck2;
    services.mci = &mci;
    services.devices = &devices;
    services.dialogs = &dialogs;
    services.shell = &shell;
    services.screenSize = screen;
    services.startTickTimer = false;
    window = std::make_unique<CKORVALEDlg>(services);
    if (initialise) {
        window->OnInitDialog();
    }
}

WindowFixture::~WindowFixture() = default;

} // namespace korvale::test
