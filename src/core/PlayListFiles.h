#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/PlayListCodec.h"

namespace korvale {

class Dialogs;
class FileSystem;
class PlayList;
class StatusLine;

// The largest play-list file that is read (256 MiB): far above any real list, low enough that
// a wrong pick (a disc image, say) is refused instead of exhausting memory.
inline constexpr std::uint64_t kPlayListFileMaxBytes = 256ull * 1024 * 1024;

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

    // Saves and fills `list`. `files` may be null: nothing is then read or written.
    PlayListFiles(Dialogs* dialogs, FileSystem* files, PlayList& list, StatusLine& status);

    void SavePlayList();
    // Writes every entry to `path` in the format of save filter `filterNumber` (1 ZTL,
    // otherwise a plain list); kWritten or kNotWritten, the user told why.
    int WritePlayListFile(const std::string& path, int filterNumber);
    int ReadZtlFile(const std::string& path);
    int ReadM3uFile(const std::string& path);

private:
    void Tell(const std::string& text, const std::string& caption);
    // Reads the play-list file at `path` with `decode` and appends its entries.
    int ReadPlayListFile(const std::string& path,
                         DecodedPlayList (*decode)(std::string_view bytes));

    Dialogs* m_dialogs;
    FileSystem* m_fileSystem;
    PlayList& m_list;
    StatusLine& m_status;
};

} // namespace korvale
