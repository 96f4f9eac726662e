#pragma once

#include <QGroupBox>
#include <QPixmap>

namespace korvale {

// A group box that draws its frame and title once into a picture and repaints from it. The
// time displays inside the deck groups change 25 times a second, and each change repaints
// the group beneath them: from the picture that is one copy, not a frame and a title laid
// out and drawn again. Looks exactly as a plain group box. UI thread.
class GroupFrame : public QGroupBox {
    Q_OBJECT
public:
    GroupFrame(const QString& title, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A change of look (font, palette, style, enabled state) or of size draws it again.
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_picture;      // null: to be drawn at the next paint
    QString m_pictureTitle; // the title it shows
};

} // namespace korvale
