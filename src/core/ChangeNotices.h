#pragma once

#include "core/CoreTypes.h"

namespace korvale {

// Where a part of the core reports that a part of the shown state changed. The owner tells
// the front end and starts or stops its tick as the change asks. UI thread.
class ChangeNotices {
public:
    virtual ~ChangeNotices() = default;
    virtual void Notify(CorePart part) = 0;
};

} // namespace korvale
