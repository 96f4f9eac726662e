#include "core/PlayListCodec.h"

#include <algorithm>
#include <array>

namespace korvale {

namespace {

constexpr char kQuote = '"';
constexpr char kCr = '\r';
constexpr char kLf = '\n';
// A last line without a line feed is read only from this many bytes on.
constexpr std::size_t kMinLastLineBytes = 2;
// ZTL lines end in CR CR LF.
constexpr std::string_view kZtlLineEnd = "\r\r\n";
constexpr std::string_view kPlainLineEnd = "\r\n";
constexpr std::string_view kClipsFieldName = "Clips: ";
constexpr std::size_t kClipsFieldIndex = 3;

constexpr std::array<std::string_view, kZtlHeaderFieldCount> kZtlHeaderFields{
    "Zantor Play List", "Date: ",        "Owner: ",        "Clips: ",       "Duration: ",
    "Style: ",          "Description: ", "Date to play: ", "Time to play: "};

void AppendZtlLine(std::string& out, std::string_view field) {
    out += kQuote;
    out += field;
    out += kQuote;
    out += kZtlLineEnd;
}

void AddEntry(DecodedPlayList& result, std::string_view entry) {
    if (!FitsPathLimit(entry)) {
        ++result.refusedTooLong;
        return;
    }
    result.entries.emplace_back(entry);
}

std::optional<std::size_t> FirstEntryWith(const std::vector<std::string>& entries,
                                          std::string_view bytes) {
    const auto it = std::find_if(entries.begin(), entries.end(), [bytes](const std::string& e) {
        return e.find_first_of(bytes) != std::string::npos;
    });
    if (it == entries.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - entries.begin());
}

} // namespace

std::string EncodeZtl(const std::vector<std::string>& entries) {
    std::size_t size = 0;
    for (const std::string& entry : entries) {
        size += entry.size() + 2 + kZtlLineEnd.size();
    }
    std::string out;
    out.reserve(size + 160);
    for (std::size_t i = 0; i < kZtlHeaderFields.size(); ++i) {
        if (i == kClipsFieldIndex) {
            AppendZtlLine(out, std::string(kClipsFieldName) + std::to_string(entries.size()));
        } else {
            AppendZtlLine(out, kZtlHeaderFields[i]);
        }
    }
    for (const std::string& entry : entries) {
        AppendZtlLine(out, entry);
    }
    return out;
}

std::string EncodePlainList(const std::vector<std::string>& entries) {
    std::size_t size = 0;
    for (const std::string& entry : entries) {
        size += entry.size() + kPlainLineEnd.size();
    }
    std::string out;
    out.reserve(size);
    for (const std::string& entry : entries) {
        out += entry;
        out += kPlainLineEnd;
    }
    return out;
}

DecodedPlayList DecodeZtl(std::string_view bytes) {
    DecodedPlayList result;
    std::size_t fieldIndex = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t open = bytes.find(kQuote, pos);
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = bytes.find(kQuote, open + 1);
        if (close == std::string_view::npos) {
            if (fieldIndex >= kZtlHeaderFieldCount) {
                ++result.refusedUnclosed;
            }
            break;
        }
        if (fieldIndex >= kZtlHeaderFieldCount) {
            AddEntry(result, bytes.substr(open + 1, close - open - 1));
        }
        ++fieldIndex;
        pos = close + 1;
    }
    return result;
}

DecodedPlayList DecodeM3u(std::string_view bytes) {
    DecodedPlayList result;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t lf = bytes.find(kLf, pos);
        const bool lastLine = lf == std::string_view::npos;
        std::string_view line = bytes.substr(pos, lastLine ? std::string_view::npos : lf - pos);
        // A last line of one byte after the final line feed is no entry (a stray byte, or
        // the half of a line end).
        if (lastLine && line.size() < kMinLastLineBytes) {
            break;
        }
        if (!line.empty() && line.back() == kCr) {
            line.remove_suffix(1);
        }
        if (lastLine) {
            if (!line.empty()) {
                AddEntry(result, line);
            }
            break;
        }
        AddEntry(result, line);
        pos = lf + 1;
    }
    return result;
}

std::optional<std::size_t> FirstEntryWithQuote(const std::vector<std::string>& entries) {
    return FirstEntryWith(entries, std::string_view(&kQuote, 1));
}

std::optional<std::size_t> FirstEntryWithLineBreak(const std::vector<std::string>& entries) {
    return FirstEntryWith(entries, "\r\n");
}

} // namespace korvale
