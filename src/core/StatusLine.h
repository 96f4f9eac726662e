#pragma once

#include <string>

namespace korvale {

// The one-line status under the play list, where a part of the core tells the user what it
// has just done or found. Writing it tells the front end. UI thread.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void SetStatus(std::string text) = 0;
};

} // namespace korvale
