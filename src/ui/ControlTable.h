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
    TimeText, // a deck's time display: left-aligned, repainted 25 times a second while it plays
    ClickText,
    GroupBox,
    CentredGroupBox,
    ProgressBar,
    ComboBox,
    MediaPlayer,
};

// How a control starts.
enum class ControlState {
    Normal,
    Hidden,
    Disabled,
};

// Every control of the window, in template order, as
//   CONTROL(id, name, kind, caption, x, y, width, height, state)
// with its rectangle in dialog units. `name` is the control's objectName and accessible
// description; the id is 0 for the two controls without one. Both the table below and the
// window's typed set of controls (ControlSet) are made from this one list.
#define KORVALE_WINDOW_CONTROLS(CONTROL)                                                           \
    CONTROL(1, ExitButton, PushButton, "X", 398, 7, 16, 12, Normal)                                \
    CONTROL(1000, PlayerA, MediaPlayer, "", 158, 202, 6, 6, Hidden)                                \
    CONTROL(1001, PlayerB, MediaPlayer, "", 188, 202, 6, 6, Hidden)                                \
    CONTROL(1002, FaderA, VerticalTrackBar, "", 155, 21, 29, 105, Normal)                          \
    CONTROL(1003, FaderB, VerticalTrackBar, "", 188, 21, 29, 105, Normal)                          \
    CONTROL(1004, MasterLevel, VerticalTrackBar, "", 221, 21, 31, 200, Normal)                     \
    CONTROL(1005, PlayListBox, ListBox, "", 3, 7, 114, 225, Normal)                                \
    CONTROL(1006, StatusLine, TextLeft, "Ready", 3, 268, 411, 10, Normal)                          \
    CONTROL(1007, LoadButton, PushButton, "L", 309, 7, 16, 12, Normal)                             \
    CONTROL(1008, CueAButton, PushButton, "Cue", 155, 148, 29, 11, Normal)                         \
    CONTROL(1009, PlayAButton, PushButton, "Play", 155, 162, 29, 11, Normal)                       \
    CONTROL(1010, StopAButton, PushButton, "Stop", 155, 176, 29, 11, Normal)                       \
    CONTROL(1011, CloseAButton, PushButton, "Close", 155, 190, 29, 11, Normal)                     \
    CONTROL(1012, CueBButton, PushButton, "Cue", 188, 148, 29, 11, Normal)                         \
    CONTROL(1013, PlayBButton, PushButton, "Play", 188, 162, 29, 11, Normal)                       \
    CONTROL(1014, StopBButton, PushButton, "Stop", 188, 176, 29, 11, Normal)                       \
    CONTROL(1015, CloseBButton, PushButton, "Close", 188, 190, 29, 11, Normal)                     \
    CONTROL(1016, MixButton, DefaultPushButton, "M I X", 155, 129, 62, 17, Normal)                 \
    CONTROL(1017, FaderALabel, ClickText, "-90db", 155, 7, 29, 12, Normal)                         \
    CONTROL(1018, FaderBLabel, ClickText, "-90db", 188, 7, 29, 12, Normal)                         \
    CONTROL(1019, MasterLevelLabel, TextCentredSunken, "-1db", 221, 7, 31, 12, Normal)             \
    CONTROL(1020, ElapsedA, TimeText, "00:00:00:00", 298, 42, 42, 10, Normal)                      \
    CONTROL(1021, ElapsedB, TimeText, "00:00:00:00", 298, 88, 42, 10, Normal)                      \
    CONTROL(1022, TimeA, TimeText, "00:00:00:00", 298, 32, 42, 10, Normal)                         \
    CONTROL(1023, RemainA, TimeText, "00:00:00:00", 298, 52, 42, 10, Normal)                       \
    CONTROL(1024, TimeB, TimeText, "00:00:00:00", 298, 78, 42, 10, Normal)                         \
    CONTROL(1025, RemainB, TimeText, "00:00:00:00", 298, 98, 42, 10, Normal)                       \
    CONTROL(1026, Control1026, GroupBox, "Player A", 257, 20, 89, 45, Normal)                      \
    CONTROL(1027, Control1027, GroupBox, "Player B", 257, 66, 89, 45, Normal)                      \
    CONTROL(1030, ShuffleButton, PushButton, "S", 258, 7, 16, 12, Normal)                          \
    CONTROL(1031, DeleteButton, PushButton, "D", 292, 7, 16, 12, Normal)                           \
    CONTROL(1032, ClearButton, PushButton, "C", 275, 7, 16, 12, Normal)                            \
    CONTROL(1033, FadeInThresholdSlider, HorizontalTrackBar, "", 263, 152, 145, 12, Disabled)      \
    CONTROL(1034, LoadNextCheck, ToggleButton, "LOAD NEXT", 349, 24, 65, 19, Normal)               \
    CONTROL(1035, MixNextCheck, ToggleButton, "MIX NEXT", 349, 44, 65, 19, Normal)                 \
    CONTROL(1036, Control1036, TextRight, "Time:", 267, 32, 30, 10, Normal)                        \
    CONTROL(1037, Control1037, TextRight, "Elapsed:", 267, 42, 30, 10, Normal)                     \
    CONTROL(1038, Control1038, TextRight, "Remain:", 267, 52, 30, 10, Normal)                      \
    CONTROL(1039, Control1039, TextRight, "Time:", 267, 78, 30, 10, Normal)                        \
    CONTROL(1040, Control1040, TextRight, "Elapsed:", 267, 88, 30, 10, Normal)                     \
    CONTROL(1041, Control1041, TextRight, "Remain:", 267, 98, 30, 10, Normal)                      \
    CONTROL(1042, WaitFadeInCheck, CheckBox, "Wait until Fade-In reaches:", 263, 165, 117, 10,     \
            Normal)                                                                                \
    CONTROL(1043, FadeInThresholdLabel, TextCentred, "0 db", 383, 165, 25, 10, Disabled)           \
    CONTROL(1044, OutSpeedSlider, HorizontalTrackBar, "", 317, 180, 91, 12, Normal)                \
    CONTROL(1045, InSpeedSlider, HorizontalTrackBar, "", 317, 201, 91, 12, Normal)                 \
    CONTROL(1046, SkipLastSlider, HorizontalTrackBar, "", 264, 136, 82, 12, Normal)                \
    CONTROL(1047, SkipLastLabel, TextCentredSunken, "Skip the last 5 seconds", 264, 124, 82, 11,   \
            Normal)                                                                                \
    CONTROL(1048, CuePositionSlider, BorderedTrackBar, "", 110, 249, 304, 18, Normal)              \
    CONTROL(1049, OutSpeedLabel, TextCentred, "Out Speed", 263, 180, 52, 12, Normal)               \
    CONTROL(1050, InSpeedLabel, TextCentred, "In Speed", 263, 201, 52, 12, Normal)                 \
    CONTROL(1051, ShuffleScratchList, HiddenListBox, "", 7, 88, 109, 34, Hidden)                   \
    CONTROL(1052, MixStyleCombo, ComboBox, "", 347, 136, 61, 109, Normal)                          \
    CONTROL(1053, AboutButton, PushButton, "A", 326, 7, 16, 12, Normal)                            \
    CONTROL(1054, SetCueButton, PushButton, "Set Cue", 285, 222, 41, 11, Disabled)                 \
    CONTROL(1055, CueDuration, TextSunken, "00:00:00:00", 65, 236, 42, 9, Normal)                  \
    CONTROL(1056, CuePlayPauseButton, PushButton, "Play/Pause", 242, 222, 41, 11, Disabled)        \
    CONTROL(1057, CueClipName, TextLeft, "", 156, 235, 258, 11, Normal)                            \
    CONTROL(1058, CuePlayTime, TextSunken, "00:00:00:00", 65, 247, 42, 9, Normal)                  \
    CONTROL(1059, CuePositionDisplay, TextSunken, "00:00:00:00", 65, 258, 42, 9, Normal)           \
    CONTROL(1060, Control1060, TextRight, "Duration: ", 3, 236, 60, 9, Normal)                     \
    CONTROL(1061, Control1061, TextRight, "Play Time: ", 3, 247, 60, 9, Normal)                    \
    CONTROL(1062, Control1062, TextRight, "Cue Position: ", 3, 258, 60, 9, Normal)                 \
    CONTROL(1063, Control1063, TextRight, "Cue Clip: ", 110, 235, 42, 11, Normal)                  \
    CONTROL(1064, MarkInButton, PushButton, "Mark In", 156, 222, 41, 11, Disabled)                 \
    CONTROL(1065, StopAllButton, PushButton, "P", 377, 7, 16, 12, Normal)                          \
    CONTROL(1066, SaveListButton, PushButton, "S", 343, 7, 16, 12, Normal)                         \
    CONTROL(1067, GoToCueButton, PushButton, "GoTo Cue", 199, 222, 41, 11, Disabled)               \
    CONTROL(1068, HelpButton, PushButton, "H", 360, 7, 16, 12, Normal)                             \
    CONTROL(1069, MicButton, ToggleButton, "", 158, 203, 57, 17, Normal)                           \
    CONTROL(1070, MicLevelLabel, TextCentredSunken, "-1db", 123, 7, 29, 12, Normal)                \
    CONTROL(1071, MicLevel, VerticalTrackBar, "", 123, 21, 29, 180, Normal)                        \
    CONTROL(1072, TOCheck, ToggleButton, "T/O", 123, 203, 29, 17, Normal)                          \
    CONTROL(1073, UpperProgressBar, ProgressBar, "", 349, 65, 65, 10, Normal)                      \
    CONTROL(1074, LowerProgressBar, ProgressBar, "", 349, 76, 65, 10, Normal)                      \
    CONTROL(1076, MasterCaption, TextLeft, "Master", 349, 88, 65, 10, Normal)                      \
    CONTROL(1077, CueCaption, TextLeft, "Cue", 349, 99, 65, 10, Normal)                            \
    CONTROL(0, MixStyleGroup, CentredGroupBox, "Mix Style", 257, 112, 157, 109, Normal)            \
    CONTROL(0, MixStyleCaption, TextCentredSunken, "Fix Slyle", 347, 124, 61, 11, Normal)

// One control of the window template: rectangle in dialog units.
struct ControlSpec {
    int id;           // 0 for the two controls without an id
    const char* name; // objectName and accessible description
    ControlKind kind;
    const char* caption;
    int x, y, width, height;
    ControlState state;
};

// Window template size in dialog units.
inline constexpr int kTemplateWidthDu = 421;
inline constexpr int kTemplateHeightDu = 295;

// Every control of the window, in template order.
std::span<const ControlSpec> WindowControls();

} // namespace korvale
