#include "audio/MixRecorder.h"

#include "audio/ReplaceFileText.h"
#include "decode/ClipTags.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvale {

namespace {

constexpr char kNamePrefix[] = "KORVALE ";
constexpr char kTimeFormat[] = "%Y-%m-%d %H-%M-%S"; // no ':' : names stay valid everywhere
constexpr std::size_t kTimeTextBytes = 32;
constexpr char kCueExtension[] = ".cue";
// " (2)" ... after the start time when a file of that name exists.
constexpr int kMaxNameTries = 1000;
constexpr mode_t kNewFileMode = 0666;
// The worker looks at the tap this often: a small part of the tap's capacity.
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr std::size_t kChunkFrames = 4096;

const char* Extension(RecordingFormat format) {
    switch (format) {
    case RecordingFormat::Wav:
        return ".wav";
    case RecordingFormat::Mp3:
        return ".mp3";
    case RecordingFormat::Flac:
        break;
    }
    return ".flac";
}

bool Refuse(std::string* why, const std::string& words) {
    if (why != nullptr) {
        *why = words;
    }
    return false;
}

// Whether `folder` can take the recording; `why` says what is wrong when not.
bool FolderUsable(const std::string& folder, std::string* why) {
    struct stat st {};
    if (folder.empty()) {
        return Refuse(why, "no folder is set for recordings");
    }
    if (::stat(folder.c_str(), &st) != 0) {
        return Refuse(why, folder + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        return Refuse(why, folder + " is not a folder");
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Refuse(why, folder + ": " + std::strerror(errno));
    }
    return true;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

MixRecorder::MixRecorder(MixTap& tap, int sampleRate, Clock now)
    : m_tap(tap), m_sampleRate(sampleRate), m_now(std::move(now)),
      m_buffer(kChunkFrames * RecordingFile::kChannels) {}

MixRecorder::~MixRecorder() {
    stop();
}

void MixRecorder::setChangeHandler(std::function<void()> handler) {
    m_onChange = std::move(handler);
}

bool MixRecorder::start(const RecordingSettings& settings, std::string* why) {
    stop();
    if (!FolderUsable(settings.folder, why)) {
        return false;
    }
    const std::time_t startTime = std::chrono::system_clock::to_time_t(m_now());
    std::tm local{};
    localtime_r(&startTime, &local);
    char timeText[kTimeTextBytes];
    std::strftime(timeText, sizeof timeText, kTimeFormat, &local);
    const std::string stem = settings.folder + "/" + kNamePrefix + timeText;

    UniqueFd fd;
    std::string audioPath;
    std::string cuePath;
    for (int n = 1; n <= kMaxNameTries && !fd.valid(); ++n) {
        const std::string base = n == 1 ? stem : stem + " (" + std::to_string(n) + ")";
        audioPath = base + Extension(settings.format);
        cuePath = base + kCueExtension;
        if (::access(cuePath.c_str(), F_OK) == 0) {
            continue;
        }
        fd = UniqueFd(
            ::open(audioPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
        if (!fd.valid() && errno != EEXIST) {
            return Refuse(why, audioPath + ": " + std::strerror(errno));
        }
    }
    if (!fd.valid()) {
        return Refuse(why, stem + ": too many recordings of that name");
    }
    std::string reason;
    std::unique_ptr<RecordingFile> file = RecordingFile::Create(
        std::move(fd), settings.format, m_sampleRate, settings.mp3Kbps, &reason);
    CueSheet sheet(BaseName(audioPath),
                   settings.format == RecordingFormat::Mp3 ? CueSheet::FileType::Mp3
                                                           : CueSheet::FileType::Wave,
                   m_sampleRate);
    if (!file || !ReplaceFileText(cuePath, sheet.text(), &reason)) {
        file.reset();
        ::unlink(audioPath.c_str());
        return Refuse(why, audioPath + ": " + reason);
    }

    m_settings = settings;
    m_file = std::move(file);
    m_cueSheet = std::move(sheet);
    m_cuePath = cuePath;
    m_framesWritten = 0;
    m_failure.clear();
    m_framesSeen.store(0, std::memory_order_relaxed);
    {
        std::lock_guard lock(m_mutex);
        m_announcements.clear();
        m_stopRequested = false;
        m_status = RecordingStatus{};
        m_status.state = RecordingState::Recording;
        m_status.path = audioPath;
    }
    m_tap.open();
    m_worker = std::thread([this] { run(); });
    return true;
}

void MixRecorder::stop() {
    if (!m_worker.joinable()) {
        return;
    }
    m_tap.close(); // what the tap holds now is the end of the recording
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void MixRecorder::announce(const OnAirClip& clip) {
    {
        std::lock_guard lock(m_mutex);
        if (m_status.state != RecordingState::Recording) {
            return;
        }
        m_announcements.push_back({clip, m_tap.framesOffered()});
    }
    m_wake.notify_all();
}

RecordingStatus MixRecorder::status() const {
    RecordingStatus status;
    {
        std::lock_guard lock(m_mutex);
        status = m_status;
    }
    status.seconds = static_cast<double>(m_framesSeen.load(std::memory_order_relaxed)) /
                     static_cast<double>(m_sampleRate);
    status.droppedBlocks = m_tap.droppedBlocks();
    return status;
}

std::string MixRecorder::cueSheetPath() const {
    return m_cuePath;
}

void MixRecorder::run() {
    bool stopping = false;
    while (!stopping) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, kPollInterval,
                            [this] { return m_stopRequested || !m_announcements.empty(); });
            stopping = m_stopRequested;
        }
        if (!takeAnnouncements() || !drainTap()) {
            fail();
            return;
        }
    }
    // The tap is closed: the blocks it dropped last come back as silence here.
    if (!padTo(m_tap.framesOffered()) || !m_file->finish()) {
        fail();
        return;
    }
    m_file.reset();
    // Those made while the last frames were written.
    if (!takeAnnouncements()) {
        fail();
        return;
    }
    setState(RecordingState::Off, {});
}

bool MixRecorder::drainTap() {
    while (const std::size_t got = m_tap.read(m_buffer.data(), kChunkFrames)) {
        if (!m_file->write(m_buffer.data(), got)) {
            return false;
        }
        m_framesWritten += got;
        m_framesSeen.store(m_framesWritten, std::memory_order_relaxed);
    }
    return true;
}

bool MixRecorder::padTo(std::uint64_t frames) {
    std::fill(m_buffer.begin(), m_buffer.end(), 0.0f);
    while (m_framesWritten < frames) {
        const auto n = static_cast<std::size_t>(
            std::min<std::uint64_t>(kChunkFrames, frames - m_framesWritten));
        if (!m_file->write(m_buffer.data(), n)) {
            return false;
        }
        m_framesWritten += n;
        m_framesSeen.store(m_framesWritten, std::memory_order_relaxed);
    }
    return true;
}

bool MixRecorder::takeAnnouncements() {
    std::vector<Announcement> taken;
    {
        std::lock_guard lock(m_mutex);
        taken.swap(m_announcements);
    }
    for (const Announcement& announcement : taken) {
        const ClipTags tags = ReadClipTags(announcement.clip.path);
        const std::string& title = tags.title.empty() ? announcement.clip.displayName : tags.title;
        m_cueSheet->addTrack(title, tags.artist, announcement.frame);
        std::string reason;
        if (!ReplaceFileText(m_cuePath, m_cueSheet->text(), &reason)) {
            m_failure = m_cuePath + ": " + reason;
            return false;
        }
        if (!m_settings.nowPlayingFile.empty()) {
            // An overlay's file: the recording does not depend on it.
            ReplaceFileText(m_settings.nowPlayingFile,
                            OnAirTitle(tags, announcement.clip.displayName) + "\n", nullptr);
        }
    }
    return true;
}

void MixRecorder::fail() {
    std::string reason = m_failure;
    if (m_file) {
        m_file->finish(); // what was written stays a valid file
        reason = reason.empty() ? m_file->error() : reason;
        m_file.reset();
    }
    m_tap.close();
    setState(RecordingState::Failed, reason);
    if (m_onChange) {
        m_onChange();
    }
}

void MixRecorder::setState(RecordingState state, const std::string& reason) {
    std::lock_guard lock(m_mutex);
    m_status.state = state;
    m_status.reason = reason;
}

} // namespace korvale
