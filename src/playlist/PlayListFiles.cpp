// Saving the play list to a file and reading play-list files into it.
#include "ui/CKORVALEDlg.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "playlist/PlayListCodec.h"
#include "playlist/PlayListFile.h"
#include "ui/PlayListView.h"

namespace korvale {

namespace {

constexpr char kAppCaption[] = "KORVALE";
constexpr char kEmptyListText[] = "Play List is Empty";
constexpr char kCreateFailedCaption[] = "KORVALE couldn't create out file";
constexpr char kWriteFailedCaption[] = "KORVALE couldn't write out file";
constexpr char kNotSavedCaption[] = "KORVALE couldn't save the play list";
constexpr char kSavedStatus[] = "Play List Saved";
constexpr char kDefaultSaveSuffix[] = "ztl";

// Save filters, numbered from 1 in the order shown.
enum SaveFilter : int { kSaveFilterZtl = 1, kSaveFilterM3u = 2, kSaveFilterAll = 3 };

constexpr int kWritten = 0;
constexpr int kNotWritten = 1;
constexpr int kNotRead = -6;
constexpr int kRead = 0;

SaveFileRequest PlayListSaveRequest() {
    SaveFileRequest request;
    request.filters = {{"KORVALE Play Lists {*.ztl}", "*.ztl"},
                       {"Media Playlists {*.m3u}", "*.m3u"},
                       {"All Files {*.*}", "*.*"}};
    request.defaultSuffix = kDefaultSaveSuffix;
    return request;
}

// Failures of these steps happen once the file exists and data is on its way: they are
// reported as failed writes; every other failure means the file could not be created.
bool IsWriteError(int errorNumber) {
    return errorNumber == ENOSPC || errorNumber == EFBIG || errorNumber == EDQUOT ||
           errorNumber == EIO;
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

void CKORVALEDlg::SavePlayList() {
    Dialogs* dialogs = m_services.dialogs;
    if (PlayListBox->Count() == 0) {
        if (dialogs != nullptr) {
            dialogs->messageBox(this, kEmptyListText, kAppCaption, MessageIcon::Information,
                                MessageButtons::Ok);
        }
        return;
    }
    if (dialogs == nullptr) {
        return;
    }
    const FileChoice choice = dialogs->saveFile(this, PlayListSaveRequest());
    if (!choice.accepted()) {
        return;
    }
    WritePlayListFile(choice.path, choice.filterNumber);
}

int CKORVALEDlg::WritePlayListFile(const std::string& path, int filterNumber) {
    const auto tell = [this](const std::string& text, const std::string& caption) {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->messageBox(this, text, caption, MessageIcon::Exclamation,
                                           MessageButtons::Ok);
        }
    };
    if (path.empty() || !FitsPathLimit(path)) {
        tell(path, kCreateFailedCaption);
        return kNotWritten;
    }

    const std::vector<std::string>& entries = PlayListBox->Entries();
    const bool ztl = filterNumber == kSaveFilterZtl;
    // An entry that the chosen format cannot hold would corrupt the file for every reader.
    const std::optional<std::size_t> unfit =
        ztl ? FirstEntryWithQuote(entries) : FirstEntryWithLineBreak(entries);
    if (unfit) {
        const std::string reason = ztl ? "holds a double quote, which a KORVALE play list "
                                         "cannot store"
                                       : "holds a line break, which a plain list cannot store";
        tell("Entry " + std::to_string(*unfit + 1) + " " + reason + ":\n" + entries[*unfit] +
                 "\n\nNothing was saved.",
             kNotSavedCaption);
        return kNotWritten;
    }

    const std::string bytes = ztl ? EncodeZtl(entries) : EncodePlainList(entries);
    // Going over the file-size limit must fail the write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const WriteFileResult result = WriteFileReplacing(path, bytes);
    if (!result.ok) {
        if (IsWriteError(result.errorNumber)) {
            tell(path + "\n\n" + result.errorText + "\nThe previous file, if any, is unchanged.",
                 kWriteFailedCaption);
        } else {
            tell(path, kCreateFailedCaption);
        }
        return kNotWritten;
    }
    SetStatus(kSavedStatus);
    return kWritten;
}

int CKORVALEDlg::ReadZtlFile(const std::string& path) {
    const ReadFileResult file = ReadWholeFile(path);
    if (!file.Ok()) {
        return kNotRead;
    }
    DecodedPlayList decoded = DecodeZtl(file.bytes);
    const std::size_t appended = decoded.entries.size();
    PlayListBox->AppendMany(std::move(decoded.entries));
    SetStatus(LoadedStatus(appended, PlayListBox->Count(), decoded));
    return kRead;
}

int CKORVALEDlg::ReadM3uFile(const std::string& path) {
    const ReadFileResult file = ReadWholeFile(path);
    if (!file.Ok()) {
        return kNotRead;
    }
    DecodedPlayList decoded = DecodeM3u(file.bytes);
    const std::size_t appended = decoded.entries.size();
    PlayListBox->AppendMany(std::move(decoded.entries));
    SetStatus(LoadedStatus(appended, PlayListBox->Count(), decoded));
    return kRead;
}

} // namespace korvale
