#include "support/CoreFixture.h"

namespace korvale::test {

CoreFixture::CoreFixture(bool start)
    : core(CoreServices{&deck1, &deck2, &mci, &devices, &dialogs, &shell}, host) {
    if (start) {
        core.Start("/start/folder", /*startTick=*/false);
    }
}

void CoreFixture::AddClip(const std::string& path, double seconds) {
    deck1.AddClip(path, seconds);
    deck2.AddClip(path, seconds);
}

void CoreFixture::Gather(const std::vector<std::string>& paths, double seconds) {
    for (const std::string& path : paths) {
        AddClip(path, seconds);
    }
    core.Store().List().AppendMany(paths);
}

} // namespace korvale::test
