#pragma once

#include <QStringList>

#include "interfaces/Dialogs.h"

class QFileDialog;
class QWidget;

namespace korvale {

// The program's dialogs: Qt's message boxes and Qt's own (not the desktop's native) file
// dialogs, so that filter texts, the filter number and the open dialog's non-modal run
// behave the same on every desktop. Paths cross as bytes in the file-system encoding;
// message texts are UTF-8. Every method runs on the user-interface thread and blocks
// until the user answers, running its own event loop meanwhile.
class QtDialogs : public Dialogs {
public:
    static constexpr const char* kAboutTitle = "About KORVALE";
    static constexpr const char* kAboutText = "KORVALE Version 1.1";

    // The window that owns message boxes, the save dialog and the About box; not owned.
    // Without one they show on their own.
    void SetOwner(QWidget* owner) { m_owner = owner; }

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    // Shown without an owner and without modality: the main window stays usable while it
    // is open. Only an existing file can be confirmed; confirming one makes its folder the
    // working directory.
    FileChoice openFile(const OpenFileRequest& request) override;
    // Modal to the owner; adds the default suffix to a name without one and asks before an
    // existing file is replaced.
    FileChoice saveFile(const SaveFileRequest& request) override;
    void about() override;

    // The name filters handed to the file dialog: "description (pattern)" each, in order.
    // With the dialog's filter details hidden, the user sees the descriptions as given.
    static QStringList NameFilters(const std::vector<FileFilter>& filters);

private:
    static void SetUpFileDialog(QFileDialog& dialog, const std::vector<FileFilter>& filters);
    static FileChoice ChoiceOf(const QFileDialog& dialog, const std::vector<FileFilter>& filters);

    QWidget* m_owner = nullptr;
};

} // namespace korvale
