#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>

#include <functional>
#include <memory>
#include <string>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::testing {

// The main window built as the program builds it on fake players and devices, with the
// given dialogs (or fake ones of its own), initialised; its tick is left to the caller.
struct TestWindow : FakeServices {
    // `optionsFile` keeps the context menu's options; `adjust` changes the services further.
    explicit TestWindow(Dialogs* given = nullptr, QSize screen = QSize(1280, 1024),
                        std::optional<QString> optionsFile = std::nullopt,
                        const std::function<void(WindowServices&)>& adjust = {}) {
        WindowServices services{With(&deck1, &deck2, given)};
        services.screenSize = screen;
        services.optionsFile = std::move(optionsFile);
        services.startTickTimer = false;
        services.workingDirectory = "/start/folder";
        if (adjust) {
            adjust(services);
        }
        w = std::make_unique<CKORVALEDlg>(services);
        w->OnInitDialog();
    }

    FakeMediaVoice deck1, deck2;
    std::unique_ptr<CKORVALEDlg> w;
};

// "" when `widget`, drawn with no control focused, matches tests/gui/pictures/<name>.png
// (<name>@2x.png where it is drawn at twice the pixels).
inline std::string DifferenceFromPicture(QWidget& widget, const QString& name) {
    if (QWidget* focused = QApplication::focusWidget()) {
        focused->clearFocus();
    }
    QApplication::processEvents();
    const QImage drawn = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString scale = widget.devicePixelRatioF() == 1.0 ? QString() : QStringLiteral("@2x");
    const QString file = name + scale + QStringLiteral(".png");
    const QImage pictured(QDir(QStringLiteral(KORVALE_PICTURES)).filePath(file));
    if (drawn == pictured.convertToFormat(QImage::Format_RGB32)) {
        return "";
    }
    const QString kept = QDir::temp().filePath(file);
    drawn.save(kept);
    return name.toStdString() + " differs from its picture; as drawn: " + kept.toStdString();
}

} // namespace korvale::testing
