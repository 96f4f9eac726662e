#include "decode/ClipTags.h"

#include "decode/DecoderFactory.h"

#include "platform/UniqueFd.h"

#include <mpg123.h>
#include <sndfile.h>

#include <array>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace korvale {

namespace {

constexpr std::string_view kWhitespace = " \t\r\n";
constexpr char kTitleSeparator[] = " - ";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7f;
// The ID3 version 1 tag: the file's last 128 bytes, "TAG" and fixed fields.
constexpr std::size_t kId3v1Bytes = 128;
constexpr std::string_view kId3v1Magic = "TAG";
constexpr std::size_t kId3v1TitleAt = 3;
constexpr std::size_t kId3v1ArtistAt = 33;
constexpr std::size_t kId3v1FieldBytes = 30;

struct Mpg123Deleter {
    void operator()(mpg123_handle* handle) const {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
struct SndfileDeleter {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// An mpg123_string that frees what it holds.
class Mpg123Text {
public:
    Mpg123Text() { mpg123_init_string(&m_text); }
    ~Mpg123Text() { mpg123_free_string(&m_text); }
    Mpg123Text(const Mpg123Text&) = delete;
    Mpg123Text& operator=(const Mpg123Text&) = delete;
    mpg123_string* get() { return &m_text; }

private:
    mpg123_string m_text{};
};

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kWhitespace);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kWhitespace);
    return std::string(text.substr(first, last - first + 1));
}

std::string FromMpg123(const mpg123_string* text) {
    if (text == nullptr || text->p == nullptr || text->fill == 0) {
        return {};
    }
    return Trimmed(std::string_view(text->p, strnlen(text->p, text->fill)));
}

// A fixed ID3v1 field: NUL or space padded, in ISO 8859-1.
std::string FromId3v1(const char* field, std::size_t size) {
    Mpg123Text text;
    const std::size_t length = strnlen(field, size);
    if (length == 0 ||
        mpg123_store_utf8(text.get(), mpg123_text_latin1,
                          reinterpret_cast<const unsigned char*>(field), length) == 0) {
        return {};
    }
    return FromMpg123(text.get());
}

// The title and artist of the ID3 version 1 tag at the end of the file, if it has one.
ClipTags ReadId3v1(int fd, off_t fileSize) {
    std::array<char, kId3v1Bytes> tag{};
    if (fileSize < static_cast<off_t>(kId3v1Bytes) ||
        ::pread(fd, tag.data(), tag.size(), fileSize - static_cast<off_t>(kId3v1Bytes)) !=
            static_cast<ssize_t>(tag.size()) ||
        std::string_view(tag.data(), kId3v1Magic.size()) != kId3v1Magic) {
        return {};
    }
    return {FromId3v1(tag.data() + kId3v1ArtistAt, kId3v1FieldBytes),
            FromId3v1(tag.data() + kId3v1TitleAt, kId3v1FieldBytes)};
}

// The tags of the ID3 version 2 tag before the first MPEG frame.
ClipTags ReadId3v2(int fd) {
    ClipTags tags;
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, Mpg123Deleter> handle(mpg123_new(nullptr, &err));
    if (!handle) {
        return tags;
    }
    mpg123_handle* mh = handle.get();
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_FUZZY, 0.0);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // Finding the first frame reads the ID3v2 tag before it.
    if (mpg123_open_fd(mh, fd) != MPG123_OK ||
        mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        return tags;
    }
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if (mpg123_id3(mh, &v1, &v2) == MPG123_OK && v2 != nullptr) {
        tags.artist = FromMpg123(v2->artist);
        tags.title = FromMpg123(v2->title);
    }
    return tags;
}

ClipTags ReadSndfileTags(UniqueFd fd) {
    ClipTags tags;
    SF_INFO info{};
    const int raw = fd.release();
    std::unique_ptr<SNDFILE, SndfileDeleter> file(sf_open_fd(raw, SFM_READ, &info, SF_TRUE));
    if (!file) {
        ::close(raw);
        return tags;
    }
    const char* artist = sf_get_string(file.get(), SF_STR_ARTIST);
    const char* title = sf_get_string(file.get(), SF_STR_TITLE);
    tags.artist = artist != nullptr ? Trimmed(artist) : std::string();
    tags.title = title != nullptr ? Trimmed(title) : std::string();
    return tags;
}

bool LooksLikeSoundFile(int fd) {
    std::array<char, kContainerMagicBytes> magic{};
    if (::pread(fd, magic.data(), magic.size(), 0) != static_cast<ssize_t>(magic.size())) {
        return false;
    }
    return IsSoundFileContainer(std::string_view(magic.data(), magic.size()));
}

std::string WithoutControls(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kFirstPrintable || byte == kDelete) {
            c = ' ';
        }
    }
    return text;
}

} // namespace

ClipTags ReadClipTags(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then rejects it.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (!fd.valid() || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    if (LooksLikeSoundFile(fd.get())) {
        return ReadSndfileTags(std::move(fd));
    }
    ClipTags tags = ReadId3v2(fd.get());
    if (tags.artist.empty() || tags.title.empty()) {
        const ClipTags old = ReadId3v1(fd.get(), st.st_size);
        tags.artist = tags.artist.empty() ? old.artist : tags.artist;
        tags.title = tags.title.empty() ? old.title : tags.title;
    }
    return tags;
}

std::string OnAirTitle(const ClipTags& tags, const std::string& displayName) {
    if (tags.artist.empty() || tags.title.empty()) {
        return WithoutControls(displayName);
    }
    return WithoutControls(tags.artist + kTitleSeparator + tags.title);
}

} // namespace korvale
