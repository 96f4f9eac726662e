#include "ui/TrackBar.h"

#include <QSignalBlocker>

namespace korvale {

TrackBar::TrackBar(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    if (orientation == Qt::Vertical) {
        // Minimum at the top: full level (0) of a fader stands at the top.
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    connect(this, &QSlider::valueChanged, this, [this] { Q_EMIT userScrolled(); });
}

void TrackBar::SetPositionSilently(int position) {
    const QSignalBlocker blocker(this);
    setValue(position);
    update();
}

void TrackBar::SetRangeSilently(int minimum, int maximum) {
    const QSignalBlocker blocker(this);
    setRange(minimum, maximum);
}

} // namespace korvale
