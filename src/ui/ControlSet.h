#pragma once

#include <type_traits>

#include "ui/ControlTable.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace korvale {

class ClickLabel;
class GroupFrame;
class PlayListView;
class TimeDisplay;
class TrackBar;

// The widget class that shows a control of each kind.
template <ControlKind kind> constexpr auto WidgetClassOf() {
    using K = ControlKind;
    if constexpr (kind == K::PushButton || kind == K::DefaultPushButton ||
                  kind == K::ToggleButton) {
        return std::type_identity<QPushButton>{};
    } else if constexpr (kind == K::CheckBox) {
        return std::type_identity<QCheckBox>{};
    } else if constexpr (kind == K::VerticalTrackBar || kind == K::HorizontalTrackBar ||
                         kind == K::BorderedTrackBar) {
        return std::type_identity<TrackBar>{};
    } else if constexpr (kind == K::ListBox || kind == K::HiddenListBox) {
        return std::type_identity<PlayListView>{};
    } else if constexpr (kind == K::TextLeft || kind == K::TextCentred || kind == K::TextRight ||
                         kind == K::TextSunken || kind == K::TextCentredSunken) {
        return std::type_identity<QLabel>{};
    } else if constexpr (kind == K::TimeText) {
        return std::type_identity<TimeDisplay>{};
    } else if constexpr (kind == K::ClickText) {
        return std::type_identity<ClickLabel>{};
    } else if constexpr (kind == K::GroupBox || kind == K::CentredGroupBox) {
        return std::type_identity<GroupFrame>{};
    } else if constexpr (kind == K::ProgressBar) {
        return std::type_identity<QProgressBar>{};
    } else if constexpr (kind == K::ComboBox) {
        return std::type_identity<QComboBox>{};
    } else {
        static_assert(kind == K::MediaPlayer, "every kind has its widget class");
        return std::type_identity<QWidget>{}; // a hidden stand-in
    }
}

template <ControlKind kind> using ControlWidget = typename decltype(WidgetClassOf<kind>())::type;

// Every control of the window, one member each, named as in the control table and typed by
// its kind (`FaderA` is a TrackBar*), so that code reaches a control by its name in C++ and
// a control that the table lacks does not compile. The widgets belong to the window.
struct ControlSet {
#define KORVALE_CONTROL_MEMBER(id, name, kind, ...)                                                \
    ControlWidget<ControlKind::kind>* name = nullptr;
    KORVALE_WINDOW_CONTROLS(KORVALE_CONTROL_MEMBER)
#undef KORVALE_CONTROL_MEMBER
};

} // namespace korvale
