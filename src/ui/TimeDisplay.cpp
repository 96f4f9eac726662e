#include "ui/TimeDisplay.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include <cmath>

namespace korvale {

namespace {

// How a QLabel aligns these texts, and so how this display draws them.
constexpr Qt::Alignment kAlignment = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int kTextFlags = int(kAlignment) | Qt::TextForceLeftToRight;

// The characters drawn from laid-out glyphs: every character a time text can hold.
constexpr char kGlyphCharacters[] = "0123456789:-";

// Glyph positions in the 26.6 fixed point that QPainter lays text out in.
constexpr qreal kFixedPointUnit = 64.0;
qreal ToFixedPoint(qreal value) {
    return std::round(value * kFixedPointUnit) / kFixedPointUnit;
}

// One line of `text` laid out as QPainter::drawText lays it out; false when it is not one
// line of one glyph run.
bool LayOutLine(const QString& text, const QFont& font, QTextLayout& layout, QGlyphRun& run) {
    layout.setText(text);
    layout.setFont(font);
    QTextOption option(kAlignment);
    option.setWrapMode(QTextOption::ManualWrap);
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setPosition(QPointF(0.0, 0.0));
    }
    const bool oneLine = line.isValid() && !layout.createLine().isValid();
    layout.endLayout();
    if (!oneLine) {
        return false;
    }
    const QList<QGlyphRun> runs = layout.lineAt(0).glyphRuns();
    if (runs.size() != 1) {
        return false;
    }
    run = runs.front();
    return true;
}

// Read by assistive technology as a QLabel is: a static text named by its text.
class TimeDisplayAccessible : public QAccessibleWidget {
public:
    explicit TimeDisplayAccessible(TimeDisplay* display)
        : QAccessibleWidget(display, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty()) {
            text = static_cast<const TimeDisplay*>(widget())->text();
        }
        return text;
    }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(TimeDisplay::staticMetaObject.className()) &&
        object != nullptr && object->isWidgetType()) {
        return new TimeDisplayAccessible(static_cast<TimeDisplay*>(object));
    }
    return nullptr;
}

} // namespace

TimeDisplay::TimeDisplay(const QString& text, QWidget* parent) : QWidget(parent), m_text(text) {
    static const bool kFactoryInstalled = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)kFactoryInstalled;
    // Every pixel is painted here: Qt paints nothing beneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void TimeDisplay::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    m_runValid = false;
    update();
    // Its name is its text, as a label's is.
    if (QAccessible::isActive() && accessibleName().isEmpty()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QSize TimeDisplay::sizeHint() const {
    const QFontMetrics metrics(font());
    return metrics.size(Qt::TextSingleLine, m_text);
}

QSize TimeDisplay::minimumSizeHint() const {
    return sizeHint();
}

bool TimeDisplay::event(QEvent* event) {
    // A window whose look changes with its activation repaints what lies beneath.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) &&
        !palette().isEqual(QPalette::Active, QPalette::Inactive)) {
        m_background = QPixmap();
    }
    return QWidget::event(event);
}

void TimeDisplay::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
        m_glyphsLaidOut = false;
        m_runValid = false;
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ParentChange:
        m_background = QPixmap();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TimeDisplay::resizeEvent(QResizeEvent* event) {
    m_background = QPixmap();
    m_glyphsLaidOut = false;
    m_runValid = false;
    QWidget::resizeEvent(event);
}

void TimeDisplay::moveEvent(QMoveEvent* event) {
    m_background = QPixmap();
    QWidget::moveEvent(event);
}

void TimeDisplay::LayOutGlyphs() {
    m_glyphsLaidOut = true;
    m_glyphsUsable = false;
    m_glyphs = {};
    const QString characters = QString::fromLatin1(kGlyphCharacters);
    QTextLayout layout;
    QGlyphRun run;
    // Each character alone: its glyph and its advance.
    for (const QChar character : characters) {
        if (!LayOutLine(QString(character), font(), layout, run) ||
            run.glyphIndexes().size() != 1) {
            return;
        }
        Glyph& glyph = m_glyphs[character.unicode()];
        glyph.index = run.glyphIndexes().front();
        glyph.advance = layout.lineAt(0).horizontalAdvance();
        glyph.cached = true;
        m_rawFont = run.rawFont();
    }
    // Every pair of them: the glyphs stand where the advances alone put them, or the font
    // adjusts pairs (kerning) and only a full layout places them.
    QString pairs;
    for (const QChar first : characters) {
        for (const QChar second : characters) {
            pairs += first;
            pairs += second;
        }
    }
    if (!LayOutLine(pairs, font(), layout, run) || run.glyphIndexes().size() != pairs.size() ||
        !(run.rawFont() == m_rawFont)) {
        return;
    }
    const QList<QPointF> positions = run.positions();
    const qreal baseline = positions.front().y();
    qreal x = positions.front().x();
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const Glyph& glyph = m_glyphs[pairs[i].unicode()];
        if (run.glyphIndexes()[i] != glyph.index || positions[i] != QPointF(x, baseline)) {
            return;
        }
        x += glyph.advance;
    }
    // Where QPainter::drawText puts a line in this rectangle: centred on the line's height
    // (ascent and descent), the offset rounded to the fixed point, the glyphs on the baseline.
    const QTextLine line = layout.lineAt(0);
    const qreal top = (height() - (line.ascent() + line.descent())) / 2.0;
    m_origin = QPointF(positions.front().x(), ToFixedPoint(top) + baseline);
    m_glyphsUsable = true;
}

bool TimeDisplay::MakeGlyphRun() {
    if (!m_glyphsLaidOut) {
        LayOutGlyphs();
    }
    if (!m_glyphsUsable) {
        return false;
    }
    m_runIndexes.resize(m_text.size());
    m_runPositions.resize(m_text.size());
    qreal x = m_origin.x();
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const char16_t code = m_text[i].unicode();
        if (code >= m_glyphs.size() || !m_glyphs[code].cached) {
            return false;
        }
        m_runIndexes[i] = m_glyphs[code].index;
        m_runPositions[i] = QPointF(x, m_origin.y());
        x += m_glyphs[code].advance;
    }
    m_run.setRawFont(m_rawFont);
    m_run.setGlyphIndexes(m_runIndexes);
    m_run.setPositions(m_runPositions);
    m_runValid = true;
    return true;
}

void TimeDisplay::TakeBackground() {
    TakePicture();
    // One colour throughout (the group's inside) is filled, not copied.
    m_backgroundColor = QColor();
    const QImage image = m_background.toImage();
    if (image.isNull()) {
        return;
    }
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first) {
                return;
            }
        }
    }
    m_backgroundColor = QColor::fromRgba(first);
}

void TimeDisplay::TakePicture() {
    const qreal ratio = devicePixelRatioF();
    m_background = QPixmap(size() * ratio);
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(Qt::transparent);
    QWidget* parent = parentWidget();
    if (parent == nullptr) {
        QPainter painter(&m_background);
        painter.fillRect(rect(), palette().brush(backgroundRole()));
        return;
    }
    // As Qt paints this rectangle when nothing covers it: the parent with its background,
    // then each visible control below this one, bottom first.
    parent->render(&m_background, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    for (QObject* child : parent->children()) {
        if (child == this) {
            break;
        }
        auto* sibling = qobject_cast<QWidget*>(child);
        if (sibling == nullptr || sibling->isWindow() || !sibling->isVisible()) {
            continue;
        }
        const QRect overlap = sibling->geometry() & geometry();
        if (overlap.isEmpty()) {
            continue;
        }
        sibling->render(&m_background, overlap.topLeft() - pos(),
                        QRegion(overlap.translated(-sibling->pos())));
    }
}

void TimeDisplay::paintEvent(QPaintEvent* event) {
    if (m_background.isNull() || m_background.devicePixelRatio() != devicePixelRatioF()) {
        TakeBackground();
    }
    QPainter painter(this);
    const qreal ratio = m_background.devicePixelRatio();
    for (const QRect& rect : event->region()) {
        if (m_backgroundColor.isValid()) {
            painter.fillRect(rect, m_backgroundColor);
        } else {
            painter.drawPixmap(
                rect, m_background,
                QRectF(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio));
        }
    }
    if (m_text.isEmpty()) {
        return;
    }
    // The palette in the colour group of the widget's state, as a style option gives it.
    const QPalette& colours = palette();
    if (isEnabled() && (m_runValid || MakeGlyphRun())) {
        painter.setPen(QPen(colours.brush(foregroundRole()), painter.pen().widthF()));
        painter.drawGlyphRun(QPointF(0.0, 0.0), m_run);
        return;
    }
    style()->drawItemText(&painter, rect(), kTextFlags, colours, isEnabled(), m_text,
                          foregroundRole());
}

} // namespace korvale
