#pragma once

#include <QColor>
#include <QGlyphRun>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QWidget>

#include <array>

namespace korvale {

// A one-line, left-aligned static text for a time display ("00:01:23:12"), which looks
// exactly as a QLabel with the same text, font and place, and costs little to repaint. A
// deck's elapsed and remaining times change 25 times a second while it plays; a QLabel lays
// its text out again at every paint, and Qt paints the window's background and the group
// frame beneath it first. This display is opaque: it paints what lies beneath it from a
// picture taken once (a fill when that is one colour), and its characters from glyphs laid
// out once, so Qt paints nothing beneath it and no text is shaped again. It repaints only its
// own rectangle, and only when its text changes. The picture is taken again when the display
// moves, resizes or changes look; the controls beneath it are expected to stand still (in
// the window, a deck's group frame). Texts with characters a time text does not hold, and a
// disabled display, are drawn as a QLabel draws them. Assistive technology reads it as it
// reads a label: a static text named by its text. UI thread.
class TimeDisplay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    TimeDisplay(const QString& text, QWidget* parent);

    QString text() const { return m_text; }
    // Shows `text`; the same text again repaints nothing.
    void setText(const QString& text);

    // Whether the text is drawn from the glyphs laid out once (every time text is, once it has
    // been painted), not laid out again at each paint as other texts are.
    bool DrawsFromGlyphs() const { return m_runValid; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A change of look (font, palette, style) takes the glyphs and the picture beneath again.
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // The characters' glyphs and advances and where the first one stands, as QPainter
    // would lay the text out in this rectangle; unusable when the font adjusts pairs of them.
    void LayOutGlyphs();
    // What lies beneath this display, and its one colour when it has one.
    void TakeBackground();
    // What lies beneath this display: the parent's background and the controls under it.
    void TakePicture();
    // The glyph run that shows m_text; false when a character has no cached glyph.
    bool MakeGlyphRun();

    struct Glyph {
        quint32 index = 0;
        qreal advance = 0.0;
        bool cached = false;
    };

    QString m_text;
    QPixmap m_background;     // null: to be taken at the next paint
    QColor m_backgroundColor; // invalid: m_background has more than one colour
    bool m_glyphsLaidOut = false;
    bool m_glyphsUsable = false;
    QRawFont m_rawFont;
    QPointF m_origin; // the first glyph's position: the left edge on the baseline
    std::array<Glyph, 128> m_glyphs{};
    QGlyphRun m_run;
    QList<quint32> m_runIndexes;
    QList<QPointF> m_runPositions;
    bool m_runValid = false; // m_run shows m_text
};

} // namespace korvale
