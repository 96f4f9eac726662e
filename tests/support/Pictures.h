#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <string>

namespace korvale::testing {

// Draws `widget` whole, no control focused, and compares it pixel for pixel with its picture
// `<name>.png` in tests/gui/pictures: "" when they match, else where the drawing was put.
inline std::string DifferenceFromPicture(QWidget& widget, const QString& name) {
    if (QWidget* focused = QApplication::focusWidget()) {
        focused->clearFocus();
    }
    QApplication::processEvents();
    const QImage drawn = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString file = name + QStringLiteral(".png");
    const QImage pictured(QDir(QStringLiteral(KORVALE_PICTURES)).filePath(file));
    if (drawn == pictured.convertToFormat(QImage::Format_RGB32)) {
        return "";
    }
    const QString kept = QDir::temp().filePath(file);
    drawn.save(kept);
    return name.toStdString() + " differs from its picture; as drawn: " + kept.toStdString();
}

} // namespace korvale::testing
