#include "core/PlayListFiles.h"

#include <string>
#include <vector>

#include "core/PlayList.h"
#include "core/StatusLine.h"
#include "interfaces/Dialogs.h"
#include "interfaces/FileSystem.h"

namespace korvale {

namespace {

constexpr char kAppCaption[] = "KORVALE";
constexpr char kEmptyListMessage[] = "Play List is Empty";
constexpr char kCreateFailedCaption[] = "KORVALE couldn't create out file";
constexpr char kWriteFailedCaption[] = "KORVALE couldn't write out file";
constexpr char kNotSavedCaption[] = "KORVALE couldn't save the play list";
constexpr char kSavedStatus[] = "Play List Saved";
constexpr char kDefaultSaveSuffix[] = "ztl";

// Save filters, numbered from 1 in the order shown.
enum SaveFilter : int { kSaveFilterZtl = 1, kSaveFilterM3u = 2, kSaveFilterAll = 3 };

SaveFileRequest PlayListSaveRequest() {
    SaveFileRequest request;
    request.filters = {{"KORVALE Play Lists {*.ztl}", "*.ztl"},
                       {"Media Playlists {*.m3u}", "*.m3u"},
                       {"All Files {*.*}", "*.*"}};
    request.defaultSuffix = kDefaultSaveSuffix;
    return request;
}

std::string LoadedStatus(std::size_t appended, int total, const DecodedPlayList& decoded) {
    std::string text =
        "New Clips Loaded: " + std::to_string(appended) + ", Total: " + std::to_string(total);
    // Entries that could not be taken are counted, never dropped silently.
    if (decoded.refusedTooLong > 0) {
        text += ". " + std::to_string(decoded.refusedTooLong) + " skipped: longer than " +
                std::to_string(kMaxPathCharacters) + " characters";
    }
    if (decoded.refusedUnclosed > 0) {
        text += ". Last entry skipped: no closing quote";
    }
    return text;
}

} // namespace

PlayListFiles::PlayListFiles(Dialogs* dialogs, FileSystem* files, PlayList& list,
                             StatusLine& status)
    : m_dialogs(dialogs), m_fileSystem(files), m_list(list), m_status(status) {}

void PlayListFiles::Tell(const std::string& text, const std::string& caption) {
    if (m_dialogs != nullptr) {
        m_dialogs->messageBox(text, caption, MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void PlayListFiles::SavePlayList() {
    Dialogs* dialogs = m_dialogs;
    if (m_list.Count() == 0) {
        if (dialogs != nullptr) {
            dialogs->messageBox(kEmptyListMessage, kAppCaption, MessageIcon::Information,
                                MessageButtons::Ok);
        }
        return;
    }
    if (dialogs == nullptr) {
        return;
    }
    const FileChoice choice = dialogs->saveFile(PlayListSaveRequest());
    if (!choice.accepted()) {
        return;
    }
    WritePlayListFile(choice.path, choice.filterNumber);
}

int PlayListFiles::WritePlayListFile(const std::string& path, int filterNumber) {
    if (m_fileSystem == nullptr || path.empty() || !FitsPathLimit(path)) {
        Tell(path, kCreateFailedCaption);
        return kNotWritten;
    }

    const std::vector<std::string>& entries = m_list.Entries();
    const bool ztl = filterNumber == kSaveFilterZtl;
    // An entry that the chosen format cannot hold would corrupt the file for every reader.
    const std::optional<std::size_t> unfit =
        ztl ? FirstEntryWithQuote(entries) : FirstEntryWithLineBreak(entries);
    if (unfit) {
        const std::string reason = ztl ? "holds a double quote, which a KORVALE play list "
                                         "cannot store"
                                       : "holds a line break, which a plain list cannot store";
        Tell("Entry " + std::to_string(*unfit + 1) + " " + reason + ":\n" + entries[*unfit] +
                 "\n\nNothing was saved.",
             kNotSavedCaption);
        return kNotWritten;
    }

    const std::string bytes = ztl ? EncodeZtl(entries) : EncodePlainList(entries);
    const WriteFileResult result = m_fileSystem->WriteFileReplacing(path, bytes);
    if (!result.ok) {
        // A file that was created but could not be filled is told apart from one that could
        // not be created.
        if (result.writeError) {
            Tell(path + "\n\n" + result.errorText + "\nThe previous file, if any, is unchanged.",
                 kWriteFailedCaption);
        } else {
            Tell(path, kCreateFailedCaption);
        }
        return kNotWritten;
    }
    m_status.SetStatus(kSavedStatus);
    return kWritten;
}

int PlayListFiles::ReadZtlFile(const std::string& path) {
    return ReadPlayListFile(path, DecodeZtl);
}

int PlayListFiles::ReadM3uFile(const std::string& path) {
    return ReadPlayListFile(path, DecodeM3u);
}

int PlayListFiles::ReadPlayListFile(const std::string& path,
                                    DecodedPlayList (*decode)(std::string_view bytes)) {
    if (m_fileSystem == nullptr) {
        return kNotRead;
    }
    const ReadFileResult file = m_fileSystem->ReadWholeFile(path, kPlayListFileMaxBytes);
    if (!file.Ok()) {
        return kNotRead;
    }
    DecodedPlayList decoded = decode(file.bytes);
    const std::size_t appended = decoded.entries.size();
    m_list.AppendMany(std::move(decoded.entries));
    m_status.SetStatus(LoadedStatus(appended, m_list.Count(), decoded));
    return kRead;
}

} // namespace korvale
