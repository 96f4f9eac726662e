#include "platform/KeychainSecretStore.h"

#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <functional>

namespace korvale {

namespace {

// Runs `job` (deleted by itself when it ends) until it ends or kWaitMs pass, calling
// `answered` with it when it ends in time; true when it did. A job still running when the
// wait ends finishes on its own later, and is no longer listened to.
bool RunToEnd(QKeychain::Job* job, const std::function<void(QKeychain::Job&)>& answered) {
    QEventLoop loop;
    bool ended = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&loop, &ended, &answered, job] {
        ended = true;
        answered(*job);
        loop.quit();
    });
    QTimer::singleShot(KeychainSecretStore::kWaitMs, &loop, &QEventLoop::quit);
    job->start();
    if (!ended) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return ended;
}

} // namespace

std::string KeychainSecretStore::read() {
    auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kService));
    job->setKey(QString::fromLatin1(kKey));
    job->setInsecureFallback(false);
    std::string secret;
    RunToEnd(job, [&secret](QKeychain::Job& ended) {
        if (ended.error() == QKeychain::NoError) {
            secret = static_cast<QKeychain::ReadPasswordJob&>(ended).textData().toStdString();
        }
    });
    return secret;
}

bool KeychainSecretStore::write(const std::string& secret, std::string* why) {
    auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kService));
    job->setKey(QString::fromLatin1(kKey));
    job->setInsecureFallback(false);
    job->setTextData(QString::fromStdString(secret));
    bool kept = false;
    QString error;
    const bool ended = RunToEnd(job, [&kept, &error](QKeychain::Job& answer) {
        kept = answer.error() == QKeychain::NoError;
        error = answer.errorString();
    });
    if (!ended) {
        if (why != nullptr) {
            *why = "the desktop's secret store did not answer";
        }
        return false;
    }
    if (!kept && why != nullptr) {
        *why = "the desktop's secret store refused it: " + error.toStdString();
    }
    return kept;
}

std::string KeychainSecretStore::where() const {
    return "the desktop's secret store";
}

} // namespace korvale
