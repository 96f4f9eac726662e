#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/CoreTypes.h"

namespace korvale {

class CrossFade;
class DeckPlayers;
class FileSystem;
class OutputLevels;
class PlayListStore;
class SliderScroll;

// What a desktop's media controls show of the two decks.
enum class PlaybackStatus { Stopped, Paused, Playing };

// One look at the clip on air and the controls' state, cheap enough to take a few times a
// second and compare with the last one.
struct MediaState {
    PlaybackStatus status = PlaybackStatus::Stopped;
    // Whether "M I X" would change what is heard.
    bool canGoNext = false;
    // The clip on air; all empty (and load 0) when no deck holds one.
    std::optional<Deck> deck;
    std::uint64_t load = 0;
    std::string trackId; // an object path naming the deck and the load
    std::string title;   // the clip's display name
    std::string url;     // its file URI
    std::string path;    // its path in the file system
    std::int64_t lengthMicroseconds = 0;
    // The master level as MediaControls::Volume gives it.
    double volume = 0.0;

    bool operator==(const MediaState&) const = default;
};

// Why OpenUri took or refused a URI.
enum class OpenUriOutcome { Added, NotAFileUri, PathTooLong, NotAFile };

// The decks as a desktop's media controls (the panel's "now playing", the media keys)
// see them: a single player whose clip is the one on air.
//
// The deck on air is, in this order: the deck a running cross-fade brings in while it
// plays; a playing deck (of two, the one whose fader stands higher, then the one started
// last); the deck started last while it holds a clip; the other deck while it holds one.
// Play, Pause, PlayPause and Stop press that deck's Play or Stop button; Next presses
// "M I X". The volume is the master level the window's Master slider sets. UI thread;
// nothing blocks except OpenUri's loading of a clip and SetVolume's write to the device.
class MediaControls {
public:
    // `files` may be null: no file URI is then opened. A URI's file is gathered into
    // `store`; the volume moves the Master slider of `levels`, then runs `scroll`.
    MediaControls(FileSystem* files, DeckPlayers& decks, CrossFade& fade, OutputLevels& levels,
                  PlayListStore& store, SliderScroll& scroll);

    std::optional<Deck> OnAirDeck() const;
    MediaState State() const;
    // The on-air deck's position in microseconds; 0 when no deck holds a clip.
    std::int64_t PositionMicroseconds() const;
    // The master level from 0.0 (silent) to 1.0 (full): its channel volume over the full one.
    double Volume() const;

    void Play();
    // Pause and Stop both press the Stop button, which halts the deck where it stands (its
    // next Play continues there).
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    // A local file URI: the file is gathered as a play list of one and loaded when no entry
    // is selected. Anything else changes nothing.
    OpenUriOutcome OpenUri(const std::string& uri);
    // Moves the master level to `volume` as the user's move of the Master slider to that
    // level does. Below 0.0 is silent and above 1.0 full; not a number changes nothing.
    void SetVolume(double volume);

private:
    bool Plays(Deck deck) const;
    bool Holds(Deck deck) const;

    FileSystem* m_files;
    DeckPlayers& m_decks;
    CrossFade& m_fade;
    OutputLevels& m_levels;
    PlayListStore& m_store;
    SliderScroll& m_scroll;
};

} // namespace korvale
