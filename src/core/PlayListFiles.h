#pragma once

#include <string>

namespace korvale {

class Korvale;
class Dialogs;

// Saving the play list to a file (a ZTL play list or a plain list) through the save dialog,
// and reading ZTL and media play-list files into it. Each operation opens, reads or writes
// and closes its file within the call. UI thread; blocks for the file's I/O.
class PlayListFiles {
public:
    // Results of the file operations.
    static constexpr int kWritten = 0;
    static constexpr int kNotWritten = 1;
    static constexpr int kRead = 0;
    static constexpr int kNotRead = -6;

    PlayListFiles(Korvale& core, Dialogs* dialogs);

    void SavePlayList();
    // Writes every entry to `path` in the format of save filter `filterNumber` (1 ZTL,
    // otherwise a plain list); kWritten or kNotWritten, the user told why.
    int WritePlayListFile(const std::string& path, int filterNumber);
    int ReadZtlFile(const std::string& path);
    int ReadM3uFile(const std::string& path);

private:
    void Tell(const std::string& text, const std::string& caption);

    Korvale& m_core;
    Dialogs* m_dialogs;
};

} // namespace korvale
