#include <cstdio>
#include <string>

#include "platform/Dialogs.h"
#include "playlist/FolderSearch.h"
#include "playlist/PlayListSteps.h"
#include "ui/CKORVALEDlg.h"
#include "ui/FormatText.h"
#include "ui/PlayListView.h"

namespace korvale {

namespace {

constexpr char kSeparator = '/';

constexpr char kSearchingText[] = "Searching for valid audio files...";
constexpr char kReadyText[] = "Ready";
constexpr char kPickTitle[] = "Please select a clip";
constexpr char kClearQuestionFormat[] = "Clear %d clips and empty the Play List?";
constexpr char kQuestionCaption[] = "VANTREL'S MP3 REAL TIME MIXER";
constexpr char kGatheredFormat[] = "%d new audio file(s) loaded - Total %d. ";
constexpr char kRefusedFormat[] = "%zu skipped: path longer than 255 characters. ";
constexpr char kListingErrorFormat[] = "Folder listing failed: %s";
constexpr char kMp3Pattern[] = "*.mp3";
constexpr char kWavPattern[] = "*.wav";

// Numbers of the open dialog's filters, in the order it offers them.
enum ClipFilter : int {
    kFilterNone = 0,
    kFilterMp3 = 1,
    kFilterWav = 2,
    kFilterZtl = 3,
    kFilterM3u = 4,
    kFilterAllFiles = 5,
};

// Everything of `path` up to and including its last separator; empty without one.
std::string FolderPart(const std::string& path) {
    const std::size_t last = path.rfind(kSeparator);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

} // namespace

void CKORVALEDlg::GatherClips() {
    SetStatus(kSearchingText);
    const int filter = PickClipFile();
    if (filter == kFilterNone) {
        return;
    }
    const std::string folder = FolderPart(m_state.g_chosenPath);
    const int count = PlayListBox->Count();
    if (count >= 1 && m_services.dialogs != nullptr) {
        const MessageAnswer answer = m_services.dialogs->messageBox(
            this, FormatText(kClearQuestionFormat, count), kQuestionCaption, MessageIcon::Question,
            MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            PlayListBox->Clear();
        }
    }
    switch (filter) {
    case kFilterWav:
        SearchFolder(folder, kWavPattern);
        break;
    case kFilterZtl:
        ReadZtlFile(m_state.g_chosenPath);
        break;
    case kFilterM3u:
        ReadM3uFile(m_state.g_chosenPath);
        break;
    case kFilterMp3:
    case kFilterAllFiles:
    default:
        // "All Files" gathers the folder's MP3 files whatever the chosen file's type.
        SearchFolder(folder, kMp3Pattern);
        break;
    }
}

int CKORVALEDlg::PickClipFile() {
    if (m_services.dialogs == nullptr) {
        SetStatus(std::string());
        return kFilterNone;
    }
    OpenFileRequest request;
    request.title = kPickTitle;
    request.filters = {
        {"MPEG 1 LAYER III Audio Files (*.mp3)", "*.mp3"},
        {"PCM Audio Files (*.wav)", "*.wav"},
        {"KORVALE-Zantor Play Lists (*.ztl)", "*.ztl"},
        {"Media Playlist (*.m3u)", "*.m3u"},
        {"All Files (*.*)", "*.*"},
    };
    request.initialFile = m_state.g_chosenPath;
    const FileChoice choice = m_services.dialogs->openFile(request);
    if (!choice.accepted() || choice.path.empty()) {
        SetStatus(std::string());
        return kFilterNone;
    }
    m_state.g_chosenPath = choice.path;
    return choice.filterNumber;
}

void CKORVALEDlg::SearchFolder(const std::string& folder, const std::string& pattern) {
    FolderSearchResult found = ::korvale::SearchFolder(folder, pattern);
    const int appended = static_cast<int>(found.paths.size());
    if (appended == 0 && found.refusedTooLong == 0) {
        // Nothing matched: the searching text stays, unless the folder could not be listed.
        if (found.listingError) {
            SetStatus(FormatText(kListingErrorFormat, found.errorText.c_str()));
        }
        return;
    }
    PlayListBox->AppendMany(std::move(found.paths));
    std::string status = FormatText(kGatheredFormat, appended, PlayListBox->Count());
    if (found.refusedTooLong > 0) {
        status += FormatText(kRefusedFormat, found.refusedTooLong);
    }
    if (found.listingError) {
        status += FormatText(kListingErrorFormat, found.errorText.c_str());
    }
    SetStatus(status);
}

void CKORVALEDlg::LoadSelectedClip() {
    if (const std::optional<SelectedLoad> load = PrepareSelectedLoad(*this)) {
        LoadClipOnDeck(load->path, load->deckChoice, 0.0, LoadOrigin::PlayListSelection);
    }
}

void CKORVALEDlg::RemoveSelectedClip() {
    if (DropSelectedEntry(*this)) {
        LoadSelectedClip();
    }
}

void CKORVALEDlg::ClearPlayList() {
    PlayListBox->Clear();
    // A cross-fade that ends now neither loads nor mixes a next clip.
    SetCheckedSilently(LoadNextCheck, false);
    SetCheckedSilently(MixNextCheck, false);
    SetStatus(kReadyText);
}

} // namespace korvale
