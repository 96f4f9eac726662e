#pragma once

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

#include "core/RunKeeper.h"
#include "platform/RunStateFiles.h"
#include "platform/RunStateWriter.h"

namespace korvale {

class Korvale;

// Keeps the run of this copy of the program in its state folder: resumes the kept run at
// start when asked to, then captures every change of the core on the next turn of the event
// loop and the decks' positions once a second. Only one copy keeps its run at a time. UI
// thread.
class RunKeeping : public QObject {
    Q_OBJECT
public:
    static constexpr int kPositionPeriodMs = 1000;

    // Takes the folder, resumes the kept run when `resume` (telling the standard error of
    // each kept copy set aside), and starts keeping. Nothing when the folder cannot be had or
    // another copy keeps its run there (one line on the standard error says so).
    static std::unique_ptr<RunKeeping> Start(Korvale& core, const std::string& folder, bool resume);
    ~RunKeeping() override;

    // A stop from outside: the run is written as it stands and stays resumable. Blocks until
    // written.
    void Finish();
    // The user's exit: the run is written as ended. Blocks until written.
    void EndRun();

private:
    RunKeeping(Korvale& core, std::unique_ptr<RunStateFiles> files);
    void CheckSoon();

    Korvale& m_core;
    std::unique_ptr<RunStateFiles> m_files;
    RunStateWriter m_writer;
    RunKeeper m_keeper;
    QTimer m_positions;
    QTimer m_soon;
};

} // namespace korvale
