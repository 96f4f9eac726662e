#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korvale {

enum class MessageIcon { None, Information, Exclamation, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// One filter of a file dialog: the description shown and its wildcard pattern.
struct FileFilter {
    std::string description;
    std::string pattern;
};

struct OpenFileRequest {
    std::string title;
    std::vector<FileFilter> filters; // the first is preselected
    std::string initialFile;         // may be empty
};

struct SaveFileRequest {
    std::vector<FileFilter> filters;
    std::string defaultSuffix; // added when the typed name has none
};

// What a file dialog answered: the chosen path (bytes) and the 1-based number of the filter
// that was selected when the user confirmed; filterNumber 0 when cancelled or failed.
struct FileChoice {
    std::string path;
    int filterNumber = 0;
    bool accepted() const { return filterNumber > 0; }
};

// Modal dialogs. Every method runs on the user-interface thread and blocks until the user
// answers; the window's timers keep firing meanwhile (the dialogs run their own loops).
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box owned by the main window (when there is one).
    virtual MessageAnswer messageBox(const std::string& text, const std::string& caption,
                                     MessageIcon icon, MessageButtons buttons) = 0;
    // Open dialog without an owner, so the main window stays usable.
    virtual FileChoice openFile(const OpenFileRequest& request) = 0;
    // Save dialog owned by the main window; asks before an existing file is replaced.
    virtual FileChoice saveFile(const SaveFileRequest& request) = 0;
    // The About box ("KORVALE Version 1.1" and OK).
    virtual void about() = 0;
};

} // namespace korvale
