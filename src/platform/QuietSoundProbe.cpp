#include "platform/QuietSoundProbe.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace korvale {

namespace {

// How many probes the calling thread is inside.
thread_local int t_probeDepth = 0;

// ALSA's message handler: dropped inside a probe, else written the way ALSA's own handler
// writes it, in one piece even when several threads report at once.
void ReportAlsaMessage(const char* file, int line, const char* function, int error,
                       const char* format, ...) {
    if (t_probeDepth > 0) {
        return;
    }
    std::va_list arguments;
    va_start(arguments, format);
    ::flockfile(stderr);
    std::fprintf(stderr, "ALSA lib %s:%i:(%s) ", file, line, function);
    std::vfprintf(stderr, format, arguments);
    if (error != 0) {
        std::fprintf(stderr, ": %s", snd_strerror(error));
    }
    std::fputc('\n', stderr);
    ::funlockfile(stderr);
    va_end(arguments);
}

// Sets the handler once, before the first probe: the library reads it from every thread,
// so it never changes afterwards.
void RouteAlsaMessages() {
    static std::once_flag routed;
    std::call_once(routed, [] { snd_lib_error_set_handler(&ReportAlsaMessage); });
}

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
    RouteAlsaMessages();
    ++t_probeDepth;
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
    --t_probeDepth;
    if (const JackHook hook = ErrorHook(); hook.ok() && m_jackError != nullptr) {
        hook.set(m_jackError);
    }
    if (const JackHook hook = InfoHook(); hook.ok() && m_jackInfo != nullptr) {
        hook.set(m_jackInfo);
    }
}

} // namespace korvale
