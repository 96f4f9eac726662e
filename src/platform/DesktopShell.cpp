#include "platform/DesktopShell.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace korvale {

bool DesktopShell::openLocalFile(const std::string& absolutePath) {
    if (absolutePath.empty()) {
        return false;
    }
    const QString path = QFile::decodeName(QByteArray::fromStdString(absolutePath));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace korvale
