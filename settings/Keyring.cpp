#include "Keyring.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace sievra::Keyring {

namespace {

// Starts the job and waits for it. A job that outlives its time-out finishes on its own later
// and deletes itself; the application owns it until then, so nothing leaks at exit.
Result Await(QKeychain::Job* job, std::chrono::milliseconds timeout) {
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QEventLoop loop;
    Result result;
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        finished = true;
        switch (done->error()) {
        case QKeychain::NoError:
            result.Status = Outcome::Ok;
            if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done)) {
                result.Password = read->textData();
            }
            break;
        case QKeychain::EntryNotFound:
            result.Status = Outcome::NotFound;
            break;
        default:
            result.Status = Outcome::Failed;
            result.Error = done->errorString();
            break;
        }
        loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    job->start();
    if (!finished) {
        loop.exec();
    }
    if (!finished) {
        QObject::disconnect(job, nullptr, &loop, nullptr);
        result.Status = Outcome::Failed;
        result.Error = QStringLiteral("the keyring did not answer in time");
    }
    if (result.Status == Outcome::Failed && result.Error.isEmpty()) {
        result.Error = QStringLiteral("the keyring refused the request");
    }
    return result;
}

} // namespace

Result Read(const QString& entry, std::chrono::milliseconds timeout) {
    auto* job = new QKeychain::ReadPasswordJob(ServiceName, QCoreApplication::instance());
    job->setKey(entry);
    return Await(job, timeout);
}

Result Write(const QString& entry, const QString& password, std::chrono::milliseconds timeout) {
    auto* job = new QKeychain::WritePasswordJob(ServiceName, QCoreApplication::instance());
    job->setKey(entry);
    job->setTextData(password);
    return Await(job, timeout);
}

Result Remove(const QString& entry, std::chrono::milliseconds timeout) {
    auto* job = new QKeychain::DeletePasswordJob(ServiceName, QCoreApplication::instance());
    job->setKey(entry);
    Result result = Await(job, timeout);
    if (result.Status == Outcome::NotFound) {
        result.Status = Outcome::Ok;
    }
    return result;
}

bool Answers(std::chrono::milliseconds timeout) {
    return Read(QStringLiteral("availability probe"), timeout).Status != Outcome::Failed;
}

} // namespace sievra::Keyring
