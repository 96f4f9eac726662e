#include "core/PlayListStore.h"

#include "core/FormatText.h"
#include "core/MixToggles.h"
#include "core/PlayListFiles.h"
#include "core/PlayListLoads.h"
#include "core/StatusLine.h"
#include "interfaces/Dialogs.h"
#include "interfaces/FileSystem.h"
#include "interfaces/PathLength.h"

namespace korvale {

namespace {

constexpr char kSearchingText[] = "Searching for valid audio files...";
constexpr char kReadyText[] = "Ready";
constexpr char kEmptyListStatus[] = "Play List is empty";
constexpr char kPickTitle[] = "Please select a clip";
constexpr char kClearQuestionFormat[] = "Clear %d clips and empty the Play List?";
constexpr char kQuestionCaption[] = "VANTREL'S MP3 REAL TIME MIXER";
constexpr char kGatheredFormat[] = "%d new audio file(s) loaded - Total %d. ";
constexpr char kRefusedFormat[] = "%zu skipped: path longer than %zu characters. ";
constexpr char kListingErrorFormat[] = "Folder listing failed: %s";
constexpr char kMp3Pattern[] = "*.mp3";
constexpr char kWavPattern[] = "*.wav";
// "All Files": every compressed clip format that plays (FLAC, Ogg Vorbis and Opus through
// libsndfile beside MP3); WAV files stay under their own filter.
constexpr char kAllClipsPattern[] = "*.@(mp3|flac|ogg|oga|opus)";

// Everything of `path` up to and including its last separator; empty without one.
std::string FolderPart(const std::string& path) {
    const std::size_t last = path.rfind(kPathSeparator);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

} // namespace

PlayListStore::PlayListStore(Dialogs* dialogs, FileSystem* files, PlayListFiles& playListFiles,
                             StatusLine& status, MixToggles& toggles, PlayListLoads& loads)
    : m_dialogs(dialogs), m_files(files), m_playListFiles(playListFiles), m_status(status),
      m_toggles(toggles), m_loads(loads) {}

void PlayListStore::GatherClips() {
    m_status.SetStatus(kSearchingText);
    const int filter = PickClipFile();
    if (filter == kFilterNone) {
        return;
    }
    const std::string folder = FolderPart(m_chosenPath);
    const int count = m_list.Count();
    if (count >= 1 && m_dialogs != nullptr) {
        const MessageAnswer answer =
            m_dialogs->messageBox(FormatText(kClearQuestionFormat, count), kQuestionCaption,
                                  MessageIcon::Question, MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            m_list.Clear();
        }
    }
    switch (filter) {
    case kFilterWav:
        SearchFolder(folder, kWavPattern);
        break;
    case kFilterZtl:
        m_playListFiles.ReadZtlFile(m_chosenPath);
        break;
    case kFilterM3u:
        m_playListFiles.ReadM3uFile(m_chosenPath);
        break;
    case kFilterMp3:
        SearchFolder(folder, kMp3Pattern);
        break;
    case kFilterAllFiles:
    default:
        // "All Files" gathers the folder's clips whatever the chosen file's type.
        SearchFolder(folder, kAllClipsPattern);
        break;
    }
}

int PlayListStore::PickClipFile() {
    if (m_dialogs == nullptr) {
        m_status.SetStatus(std::string());
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
    request.initialFile = m_chosenPath;
    const FileChoice choice = m_dialogs->openFile(request);
    if (!choice.accepted() || choice.path.empty()) {
        m_status.SetStatus(std::string());
        return kFilterNone;
    }
    m_chosenPath = choice.path;
    return choice.filterNumber;
}

void PlayListStore::SearchFolder(const std::string& folder, const std::string& pattern) {
    if (m_files == nullptr) {
        return;
    }
    FolderSearchResult found = m_files->SearchFolder(folder, pattern);
    const int appended = static_cast<int>(found.paths.size());
    if (appended == 0 && found.refusedTooLong == 0) {
        // Nothing matched: the searching text stays, unless the folder could not be listed.
        if (found.listingError) {
            m_status.SetStatus(FormatText(kListingErrorFormat, found.errorText.c_str()));
        }
        return;
    }
    m_list.AppendMany(std::move(found.paths));
    std::string status = FormatText(kGatheredFormat, appended, m_list.Count());
    if (found.refusedTooLong > 0) {
        status += FormatText(kRefusedFormat, found.refusedTooLong, kMaxPathCharacters);
    }
    if (found.listingError) {
        status += FormatText(kListingErrorFormat, found.errorText.c_str());
    }
    m_status.SetStatus(status);
}

void PlayListStore::GatherOne(std::string path) {
    m_list.Append(std::move(path));
    m_status.SetStatus(FormatText(kGatheredFormat, 1, m_list.Count()));
    if (m_list.SelectedIndex() == PlayList::kNoSelection) {
        m_list.Select(m_list.Count() - 1);
        LoadSelectedClip();
    }
}

void PlayListStore::LoadSelectedClip() {
    m_loads.LoadSelectedClip();
}

void PlayListStore::SelectedByUser(int index) {
    m_list.SelectByUser(index);
    LoadSelectedClip();
}

void PlayListStore::RemoveSelectedClip() {
    if (DropSelectedEntry()) {
        LoadSelectedClip();
    }
}

void PlayListStore::ClearPlayList() {
    m_list.Clear();
    // A cross-fade that ends now neither loads nor mixes a next clip.
    m_toggles.ReleaseToggles();
    m_status.SetStatus(kReadyText);
}

bool PlayListStore::DropSelectedEntry() {
    const int index = m_list.SelectedIndex();
    if (index < 0) {
        return false;
    }
    m_list.RemoveAt(index);
    // The entry that followed now stands at the same index; after the last one there is none.
    m_list.Select(index < m_list.Count() ? index : PlayList::kNoSelection);
    m_status.SetStatus(kReadyText);
    return m_list.SelectedIndex() >= 0 || m_list.Count() == 0;
}

std::optional<std::string> PlayListStore::PathToLoad() {
    const int index = m_list.SelectedIndex();
    if (index < 0) {
        m_status.SetStatus(kEmptyListStatus);
        return std::nullopt;
    }
    return m_list.Text(index);
}

} // namespace korvale
