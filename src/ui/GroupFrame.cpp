#include "ui/GroupFrame.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace korvale {

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void GroupFrame::changeEvent(QEvent* event) {
    m_picture = QPixmap();
    QGroupBox::changeEvent(event);
}

void GroupFrame::resizeEvent(QResizeEvent* event) {
    m_picture = QPixmap();
    QGroupBox::resizeEvent(event);
}

void GroupFrame::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    if (m_picture.isNull() || m_picture.devicePixelRatio() != ratio || m_pictureTitle != title()) {
        m_picture = QPixmap(size() * ratio);
        m_picture.setDevicePixelRatio(ratio);
        m_picture.fill(Qt::transparent);
        QStylePainter painter(&m_picture, this);
        // What a painter on the widget itself starts with.
        painter.setFont(font());
        painter.setPen(palette().color(foregroundRole()));
        painter.setBrush(palette().brush(backgroundRole()));
        painter.setLayoutDirection(layoutDirection());
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
        m_pictureTitle = title();
    }
    QPainter painter(this);
    for (const QRect& rect : event->region()) {
        painter.drawPixmap(rect, m_picture, QRectF(rect.topLeft() * ratio, rect.size() * ratio));
    }
}

} // namespace korvale
