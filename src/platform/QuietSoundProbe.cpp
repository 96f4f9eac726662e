#include "platform/QuietSoundProbe.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <cstdlib>

namespace korvale {

namespace {

void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void DropJackMessage(const char*) {}

// libjack comes in with PortAudio's JACK host API; KORVALE does not link it itself, so its
// reporting hooks are looked up in the running process (absent without JACK support).
using JackSetter = void (*)(void (*)(const char*));
template <typename T> T Lookup(const char* name) {
    return reinterpret_cast<T>(::dlsym(RTLD_DEFAULT, name));
}

// The current JACK reporter `variable` and its setter, or nothing when JACK is not there.
struct JackHook {
    void (**current)(const char*);
    JackSetter set;
    bool ok() const { return current != nullptr && set != nullptr; }
};

JackHook Hook(const char* variable, const char* setter) {
    return {Lookup<void (**)(const char*)>(variable), Lookup<JackSetter>(setter)};
}

JackHook ErrorHook() {
    return Hook("jack_error_callback", "jack_set_error_function");
}
JackHook InfoHook() {
    return Hook("jack_info_callback", "jack_set_info_function");
}

} // namespace

QuietSoundProbe::QuietSoundProbe() {
    ::setenv("JACK_NO_START_SERVER", "1", /*overwrite=*/0);
    snd_lib_error_set_handler(&DropAlsaMessage);
    if (const JackHook hook = ErrorHook(); hook.ok()) {
        m_jackError = *hook.current;
        hook.set(&DropJackMessage);
    }
    if (const JackHook hook = InfoHook(); hook.ok()) {
        m_jackInfo = *hook.current;
        hook.set(&DropJackMessage);
    }
}

QuietSoundProbe::~QuietSoundProbe() {
    snd_lib_error_set_handler(nullptr); // ALSA's own: messages to standard error
    if (const JackHook hook = ErrorHook(); hook.ok() && m_jackError != nullptr) {
        hook.set(m_jackError);
    }
    if (const JackHook hook = InfoHook(); hook.ok() && m_jackInfo != nullptr) {
        hook.set(m_jackInfo);
    }
}

} // namespace korvale
