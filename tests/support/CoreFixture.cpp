#include "support/CoreFixture.h"

namespace korvale::test {

namespace {

CoreServices ServicesOf(CoreFixture& f) {
    CoreServices services;
    services.deck1 = &f.deck1;
    services.deck2 = &f.deck2;
    services.mci = &f.mci;
    services.devices = &f.devices;
    services.dialogs = &f.dialogs;
    services.shell = &f.shell;
    return services;
}

} // namespace

CoreFixture::CoreFixture(bool start) : core(ServicesOf(*this), host) {
    if (start) {
        core.Start("/start/folder", /*startTick=*/false);
    }
}

void CoreFixture::AddClip(const std::string& path, double seconds) {
    deck1.AddClip(path, seconds);
    deck2.AddClip(path, seconds);
}

} // namespace korvale::test
