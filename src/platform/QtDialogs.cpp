#include "platform/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStyle>

namespace korvale {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageAnswer QtDialogs::messageBox(const std::string& text, const std::string& caption,
                                    MessageIcon icon, MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, m_owner);
    box.setTextFormat(Qt::PlainText);
    if (yesNo) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    const int answer = box.exec();
    if (!yesNo) {
        return MessageAnswer::Ok;
    }
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QStringList QtDialogs::NameFilters(const std::vector<FileFilter>& filters) {
    QStringList names;
    for (const auto& filter : filters) {
        names << QString::fromStdString(filter.description) + QStringLiteral(" (") +
                     QString::fromStdString(filter.pattern) + QLatin1Char(')');
    }
    return names;
}

void QtDialogs::SetUpFileDialog(QFileDialog& dialog, const std::vector<FileFilter>& filters) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const auto names = NameFilters(filters);
    dialog.setNameFilters(names);
    if (!names.isEmpty()) {
        dialog.selectNameFilter(names.front());
    }
}

FileChoice QtDialogs::ChoiceOf(const QFileDialog& dialog, const std::vector<FileFilter>& filters) {
    FileChoice choice;
    const auto files = dialog.selectedFiles();
    if (dialog.result() != QDialog::Accepted || files.isEmpty()) {
        return choice;
    }
    choice.path = QFile::encodeName(files.front()).toStdString();
    // With the details hidden, Qt's own dialog names the selected filter by the text it
    // shows (the description); other dialogs give the whole filter.
    const QString selected = dialog.selectedNameFilter();
    const auto names = NameFilters(filters);
    choice.filterNumber = 1; // a file chosen without (known) filters counts as the first
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto description = QString::fromStdString(filters[i].description).simplified();
        if (selected == names[i] || selected == description) {
            choice.filterNumber = static_cast<int>(i) + 1;
            break;
        }
    }
    return choice;
}

FileChoice QtDialogs::openFile(const OpenFileRequest& request) {
    QFileDialog dialog(nullptr, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SetUpFileDialog(dialog, request.filters);
    if (!request.initialFile.empty()) {
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(request.initialFile)));
    }
    // exec() would make the dialog application-modal; run it shown and non-modal in a loop
    // of its own instead, so the main window keeps taking clicks meanwhile.
    dialog.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    loop.exec(QEventLoop::DialogExec);
    dialog.hide();
    const FileChoice choice = ChoiceOf(dialog, request.filters);
    if (choice.accepted()) {
        // Like the desktop's own open dialog, leave the working directory at the chosen
        // file's folder: relative entries of a play list read next resolve from there.
        QDir::setCurrent(QFileInfo(dialog.selectedFiles().front()).absolutePath());
    }
    return choice;
}

FileChoice QtDialogs::saveFile(const SaveFileRequest& request) {
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    SetUpFileDialog(dialog, request.filters);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.exec();
    return ChoiceOf(dialog, request.filters);
}

void QtDialogs::about() {
    QMessageBox box(m_owner);
    box.setWindowTitle(QLatin1String(kAboutTitle));
    box.setText(QLatin1String(kAboutText));
    box.setTextFormat(Qt::PlainText);
    box.setStandardButtons(QMessageBox::Ok);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        box.setIconPixmap(icon.pixmap(box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize)));
    }
    box.exec();
}

} // namespace korvale
