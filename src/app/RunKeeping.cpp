#include "app/RunKeeping.h"

#include <chrono>
#include <cstdio>

#include "core/Korvale.h"
#include "core/RunResume.h"

namespace korvale {

namespace {

// Above the serial of any capture of an earlier run: the clock's microseconds.
std::uint64_t FirstRunSerial() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

std::unique_ptr<RunKeeping> RunKeeping::Start(Korvale& core, const std::string& folder,
                                              bool resume) {
    auto files = std::make_unique<RunStateFiles>(folder);
    std::string why;
    if (!files->Claim(why)) {
        std::fprintf(stderr, "korvale: the run is not kept: %s\n", why.c_str());
        return nullptr;
    }
    if (resume) {
        const KeptRunChoice choice = ChooseKeptRun(files->Read());
        for (const std::string& line : choice.complaints) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        if (choice.state) {
            ResumeRun(core, *choice.state);
        }
    }
    std::unique_ptr<RunKeeping> keeping(new RunKeeping(core, std::move(files)));
    keeping->m_keeper.Check();
    return keeping;
}

RunKeeping::RunKeeping(Korvale& core, std::unique_ptr<RunStateFiles> files)
    : m_core(core), m_files(std::move(files)), m_writer(*m_files),
      m_keeper(core, m_writer, FirstRunSerial()) {
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, [this] { m_keeper.Check(); });
    m_positions.setTimerType(Qt::PreciseTimer);
    m_positions.setInterval(kPositionPeriodMs);
    connect(&m_positions, &QTimer::timeout, this, [this] { m_keeper.OnSecond(); });
    m_positions.start();
    m_core.SetChangeWatcher([this](CorePart part) {
        // The time displays and fader moves change every tick: the position record has them.
        if (part != CorePart::Decks) {
            CheckSoon();
        }
    });
}

RunKeeping::~RunKeeping() {
    m_core.SetChangeWatcher({});
}

void RunKeeping::CheckSoon() {
    if (!m_soon.isActive()) {
        m_soon.start();
    }
}

void RunKeeping::Finish() {
    m_positions.stop();
    m_soon.stop();
    m_keeper.Finish();
}

void RunKeeping::EndRun() {
    m_positions.stop();
    m_soon.stop();
    m_keeper.EndRun();
}

} // namespace korvale
