#pragma once

#include <optional>
#include <string>

#include "core/CoreTypes.h"
#include "core/PlayList.h"

namespace korvale {

class Dialogs;
class FileSystem;
class MixToggles;
class PlayListFiles;
class PlayListLoads;
class StatusLine;

// The play list and its operations: gathering clips from a folder (or a play-list file)
// through the open dialog, loading the selected entry, removing and clearing. UI thread.
class PlayListStore {
public:
    // Numbers of the open dialog's filters, in the order it offers them.
    enum ClipFilter : int {
        kFilterNone = 0,
        kFilterMp3 = 1,
        kFilterWav = 2,
        kFilterZtl = 3,
        kFilterM3u = 4,
        kFilterAllFiles = 5,
    };

    // `files` may be null: folder searches then find nothing. `playListFiles` reads the
    // play-list files chosen in the open dialog; `loads` loads the selected entry.
    PlayListStore(Dialogs* dialogs, FileSystem* files, PlayListFiles& playListFiles,
                  StatusLine& status, MixToggles& toggles, PlayListLoads& loads);

    PlayList& List() { return m_list; }
    const PlayList& List() const { return m_list; }
    // The path last chosen in the open dialog; its initial file the next time.
    const std::string& ChosenPath() const { return m_chosenPath; }

    void GatherClips();
    // Shows the open dialog; the number of the filter in use when a file was chosen, or
    // kFilterNone.
    int PickClipFile();
    void SearchFolder(const std::string& folder, const std::string& pattern);
    // Appends one clip as a gather of one (the gather's status) and, when no entry is
    // selected, selects and loads it. The caller has checked that the path names a file.
    void GatherOne(std::string path);
    // The selected entry to a deck, through the owner's load.
    void LoadSelectedClip();
    // The user selected entry `index` in the front end: it is loaded.
    void SelectedByUser(int index);
    void RemoveSelectedClip();
    void ClearPlayList();

    // Deletes the selected entry and selects the one that took its place, with the status
    // "Ready". Returns whether the load step follows: false when nothing was selected
    // (nothing changes) and when the last of several entries was removed (nothing is left
    // selected and nothing is loaded); true otherwise, including when the list became empty
    // (the load step then reports it).
    bool DropSelectedEntry();
    // The first step of loading the selected entry: its path; with nothing selected the
    // status line shows "Play List is empty" and there is none.
    std::optional<std::string> PathToLoad();

private:
    Dialogs* m_dialogs;
    FileSystem* m_files;
    PlayListFiles& m_playListFiles;
    StatusLine& m_status;
    MixToggles& m_toggles;
    PlayListLoads& m_loads;
    PlayList m_list;
    std::string m_chosenPath;
};

} // namespace korvale
