#pragma once

#include <span>

namespace korvale {

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    ToggleButton, // push-like check box
    CheckBox,     // check box with its text on the left
    VerticalTrackBar,
    HorizontalTrackBar,
    BorderedTrackBar, // horizontal, with a border
    ListBox,
    HiddenListBox,
    TextLeft,
    TextCentred,
    TextRight,
    TextSunken,
    TextCentredSunken,
    ClickText,
    GroupBox,
    CentredGroupBox,
    ProgressBar,
    ComboBox,
    MediaPlayer,
};

enum ControlState : unsigned {
    kStateNormal = 0,
    kStateHidden = 1u << 0,
    kStateDisabled = 1u << 1,
};

// One control of the window template: rectangle in dialog units.
struct ControlSpec {
    int id;           // 0 for the two controls without an id
    const char* name; // objectName and accessible description
    ControlKind kind;
    const char* caption;
    int x, y, width, height;
    unsigned state;
};

// Window template size in dialog units.
inline constexpr int kTemplateWidthDu = 421;
inline constexpr int kTemplateHeightDu = 295;

// Every control of the window, in template order.
std::span<const ControlSpec> WindowControls();

} // namespace korvale
