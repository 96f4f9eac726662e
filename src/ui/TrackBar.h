#pragma once

#include <QSlider>

namespace korvale {

// A track bar: a slider whose user moves raise `userScrolled`, while positions set by the
// program raise nothing. Vertical track bars stand with their minimum at the top.
class TrackBar : public QSlider {
    Q_OBJECT
public:
    TrackBar(Qt::Orientation orientation, QWidget* parent);

    // Moves the thumb without raising a scroll notification (redrawn at once).
    void SetPositionSilently(int position);
    void SetRangeSilently(int minimum, int maximum);
    int Position() const { return value(); }

Q_SIGNALS:
    // A move made by the user (mouse, keyboard, wheel, assistive technology).
    void userScrolled();
};

} // namespace korvale
