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
    window = MakeTestWindow(services, screen, initialise);
}

std::unique_ptr<CKORVALEDlg> MakeTestWindow(WindowServices services, QSize screen,
                                            bool initialise) {
    services.screenSize = screen;
    services.startTickTimer = false;
    auto window = std::make_unique<CKORVALEDlg>(services);
    if (initialise) {
        window->OnInitDialog();
    }
    return window;
}

WindowFixture::~WindowFixture() = default;

} // namespace korvale::test
