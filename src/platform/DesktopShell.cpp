#include "platform/DesktopShell.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace korvale {

void DesktopShell::openLocalFile(const std::string& absolutePath) {
    if (absolutePath.empty()) {
        return;
    }
    const QString path = QFile::decodeName(QByteArray::fromStdString(absolutePath));
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace korvale
