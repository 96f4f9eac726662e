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
    // The thumb that stands where it is shown is not drawn again; a move redraws it.
    if (position == value()) {
        return;
    }
    const QSignalBlocker blocker(this);
    setValue(position);
}

void TrackBar::SetRangeSilently(int minimum, int maximum) {
    if (minimum == this->minimum() && maximum == this->maximum()) {
        return;
    }
    const QSignalBlocker blocker(this);
    setRange(minimum, maximum);
}

} // namespace korvale
