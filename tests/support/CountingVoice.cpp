#include "support/CountingVoice.h"

namespace korvale::testing {

bool CountingVoice::open(const std::string& path) {
    ++m_opens;
    return m_inner.open(path);
}

void CountingVoice::close() {
    ++m_closes;
    m_inner.close();
}

} // namespace korvale::testing
