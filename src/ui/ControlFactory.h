#pragma once

#include <vector>

#include "ui/ControlSet.h"

class QWidget;

namespace korvale {

class PlayList;

// Makes the window's controls from the control table. Rectangles in dialog units become
// pixels through the window's font (x px = units x average character width / 4, y px =
// units x line height / 8), so the window has its dialog font before the factory is made.
// UI thread.
class ControlFactory {
public:
    explicit ControlFactory(QWidget& window);

    // Makes every control as a child of the window, in template order: each named, placed,
    // captioned, shown or hidden, enabled or disabled as its row says, with the group frames
    // behind the controls they surround; then gives the window the template's size. The
    // list box shows `list`, which must outlive it.
    ControlSet Build(const PlayList& list) const;

private:
    int ToX(int du) const;
    int ToY(int du) const;
    void Place(QWidget* control, const ControlSpec& entry, std::vector<QWidget*>& groups) const;

    QWidget& m_window;
    int m_charWidth;
    int m_lineHeight;
};

} // namespace korvale
