#include "ui/ControlFactory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <cstddef>
#include <span>

#include "ui/ClickLabel.h"
#include "ui/GroupFrame.h"
#include "ui/PlayListView.h"
#include "ui/TimeDisplay.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

constexpr int kHorizontalDuPerChar = 4;
constexpr int kVerticalDuPerLine = 8;
constexpr double kSmallestFittedPointSize = 6.0;
constexpr double kFontFitStep = 0.25;
constexpr int kTextPadding = 2;
constexpr int kSunkenTextPadding = 4;
constexpr int kButtonTextPadding = 8;
constexpr int kCheckBoxTextPadding = 24;

QLabel* MakeText(const QString& caption, Qt::Alignment alignment, bool sunken, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setAlignment(alignment | Qt::AlignVCenter);
    if (sunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    return label;
}

// A new control of `kind`, of the widget class that the control set gives it.
template <ControlKind kind>
ControlWidget<kind>* NewControl(const QString& caption, const PlayList& list, QWidget* parent) {
    using K = ControlKind;
    if constexpr (kind == K::PushButton) {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false); // only the program's default button takes Enter
        return button;
    } else if constexpr (kind == K::DefaultPushButton) {
        auto* button = new QPushButton(caption, parent);
        button->setDefault(true);
        return button;
    } else if constexpr (kind == K::ToggleButton) {
        auto* button = new QPushButton(caption, parent);
        button->setCheckable(true);
        button->setAutoDefault(false);
        return button;
    } else if constexpr (kind == K::CheckBox) {
        auto* box = new QCheckBox(caption, parent);
        box->setLayoutDirection(Qt::RightToLeft); // text on the left of the box
        return box;
    } else if constexpr (kind == K::VerticalTrackBar) {
        auto* bar = new TrackBar(Qt::Vertical, parent);
        bar->setTickPosition(QSlider::TicksBothSides);
        return bar;
    } else if constexpr (kind == K::HorizontalTrackBar) {
        return new TrackBar(Qt::Horizontal, parent);
    } else if constexpr (kind == K::BorderedTrackBar) {
        auto* bar = new TrackBar(Qt::Horizontal, parent);
        bar->setStyleSheet(QStringLiteral("QSlider { border: 1px solid palette(mid); }"));
        return bar;
    } else if constexpr (kind == K::ListBox) {
        return new PlayListView(&list, parent);
    } else if constexpr (kind == K::HiddenListBox) {
        return new PlayListView(nullptr, parent);
    } else if constexpr (kind == K::TextLeft) {
        return MakeText(caption, Qt::AlignLeft, false, parent);
    } else if constexpr (kind == K::TextCentred) {
        return MakeText(caption, Qt::AlignHCenter, false, parent);
    } else if constexpr (kind == K::TextRight) {
        return MakeText(caption, Qt::AlignRight, false, parent);
    } else if constexpr (kind == K::TextSunken) {
        return MakeText(caption, Qt::AlignLeft, true, parent);
    } else if constexpr (kind == K::TextCentredSunken) {
        return MakeText(caption, Qt::AlignHCenter, true, parent);
    } else if constexpr (kind == K::TimeText) {
        return new TimeDisplay(caption, parent);
    } else if constexpr (kind == K::ClickText) {
        auto* label = new ClickLabel(caption, parent);
        label->setAlignment(Qt::AlignCenter);
        return label;
    } else if constexpr (kind == K::GroupBox) {
        return new GroupFrame(caption, parent);
    } else if constexpr (kind == K::CentredGroupBox) {
        auto* group = new GroupFrame(caption, parent);
        group->setAlignment(Qt::AlignHCenter);
        return group;
    } else if constexpr (kind == K::ProgressBar) {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setValue(bar->minimum());
        return bar;
    } else if constexpr (kind == K::ComboBox) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        return combo;
    } else {
        static_assert(kind == K::MediaPlayer, "every kind is made");
        return new QWidget(parent);
    }
}

// Shrinks a control's font until its caption fits its width, so that texts sized for the
// template's font are never cut; the dialog-unit grid stays that of the dialog font.
void FitFontToWidth(QWidget* control, const QString& text, int padding) {
    if (text.isEmpty()) {
        return;
    }
    QFont font = control->font();
    while (font.pointSizeF() > kSmallestFittedPointSize &&
           QFontMetrics(font).horizontalAdvance(text) + padding > control->width()) {
        font.setPointSizeF(font.pointSizeF() - kFontFitStep);
    }
    control->setFont(font);
}

int FitPadding(ControlKind kind) {
    switch (kind) {
    case ControlKind::CheckBox:
        return kCheckBoxTextPadding;
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::ToggleButton:
        return kButtonTextPadding;
    case ControlKind::TextSunken:
    case ControlKind::TextCentredSunken:
        return kSunkenTextPadding;
    default:
        return kTextPadding;
    }
}

} // namespace

ControlFactory::ControlFactory(QWidget& window)
    : m_window(window), m_charWidth(QFontMetrics(window.font()).averageCharWidth()),
      m_lineHeight(QFontMetrics(window.font()).height()) {}

int ControlFactory::ToX(int du) const {
    return du * m_charWidth / kHorizontalDuPerChar;
}

int ControlFactory::ToY(int du) const {
    return du * m_lineHeight / kVerticalDuPerLine;
}

ControlSet ControlFactory::Build(const PlayList& list) const {
    ControlSet controls;
    const std::span<const ControlSpec> table = WindowControls();
    std::size_t row = 0;
    std::vector<QWidget*> groups;
    // The list and the table hold the same controls in the same order.
#define KORVALE_BUILD_CONTROL(id, name, kind, ...)                                                 \
    controls.name =                                                                                \
        NewControl<ControlKind::kind>(QString::fromUtf8(table[row].caption), list, &m_window);     \
    Place(controls.name, table[row], groups);                                                      \
    ++row;
    KORVALE_WINDOW_CONTROLS(KORVALE_BUILD_CONTROL)
#undef KORVALE_BUILD_CONTROL
    // Frames stay behind the controls they surround.
    for (QWidget* group : groups) {
        group->lower();
    }
    m_window.setFixedSize(ToX(kTemplateWidthDu), ToY(kTemplateHeightDu));
    return controls;
}

void ControlFactory::Place(QWidget* control, const ControlSpec& entry,
                           std::vector<QWidget*>& groups) const {
    const QString name = QString::fromLatin1(entry.name);
    control->setObjectName(name);
    control->setAccessibleDescription(name);
    int height = ToY(entry.height);
    if (entry.kind == ControlKind::ComboBox) {
        // A drop-down list's template height includes its open list.
        height = control->sizeHint().height();
    }
    control->setGeometry(ToX(entry.x), ToY(entry.y), ToX(entry.width), height);
    FitFontToWidth(control, QString::fromUtf8(entry.caption), FitPadding(entry.kind));
    control->setVisible(entry.state != ControlState::Hidden);
    control->setEnabled(entry.state != ControlState::Disabled);
    if (entry.kind == ControlKind::GroupBox || entry.kind == ControlKind::CentredGroupBox) {
        groups.push_back(control);
    }
}

} // namespace korvale
