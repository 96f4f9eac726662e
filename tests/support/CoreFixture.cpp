#include "support/CoreFixture.h"

namespace korvale::test {

CoreFixture::CoreFixture(bool start)
    : core(CoreServices{&deck1, &deck2, &mci, &devices, &dialogs, &shell}, host) {
    if (start) {
        core.Start("/start/folder", /*startTick=*/false);
    }
}

} // namespace korvale::test
