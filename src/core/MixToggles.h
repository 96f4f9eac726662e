#pragma once

namespace korvale {

// LOAD NEXT and MIX NEXT, the two toggles that run the play list unattended: LOAD NEXT
// loads the next entry when a cross-fade ends, MIX NEXT starts the next cross-fade near the
// end of the playing clip. UI thread.
class MixToggles {
public:
    virtual ~MixToggles() = default;
    virtual bool LoadNext() const = 0;
    virtual bool MixNext() const = 0;
    // Both are released.
    virtual void ReleaseToggles() = 0;
};

} // namespace korvale
