#include "ui/ControlTable.h"

#include <array>

namespace korvale {

namespace {

#define KORVALE_CONTROL_SPEC(id, name, kind, caption, x, y, width, height, state)                  \
    ControlSpec{id, #name, ControlKind::kind, caption, x, y, width, height, ControlState::state},

constexpr std::array kControls = {KORVALE_WINDOW_CONTROLS(KORVALE_CONTROL_SPEC)};

#undef KORVALE_CONTROL_SPEC

} // namespace

std::span<const ControlSpec> WindowControls() {
    return kControls;
}

} // namespace korvale
