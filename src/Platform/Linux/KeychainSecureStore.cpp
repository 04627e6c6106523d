#include "Platform/Linux/KeychainSecureStore.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QUuid>
#include <qt6keychain/keychain.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
struct JobResult
{
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QByteArray data;
};

// Starts `job` (which deletes itself when done) and waits for it, at most `timeout`.
JobResult runJob(QKeychain::Job* job, std::chrono::milliseconds timeout)
{
    auto result = std::make_shared<JobResult>();
    QEventLoop loop;
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [result, &loop](QKeychain::Job* done) {
        result->finished = true;
        result->error = done->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done)) {
            result->data = read->binaryData();
        }
        loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    job->start();
    if (!result->finished) {
        loop.exec();
    }
    return *result;
}
} // namespace

KeychainSecureStore::KeychainSecureStore(QString service, std::chrono::milliseconds timeout)
    : m_service(std::move(service))
    , m_timeout(timeout)
{
}

std::optional<QByteArray> KeychainSecureStore::copy(const QString& account) const
{
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    const JobResult result = runJob(job, m_timeout);
    if (!result.finished || result.error != QKeychain::NoError) {
        return std::nullopt;
    }
    return result.data;
}

bool KeychainSecureStore::remove(const QString& account)
{
    auto* job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    const JobResult result = runJob(job, m_timeout);
    return result.finished && result.error == QKeychain::NoError;
}

bool KeychainSecureStore::add(const QString& account, const QByteArray& data)
{
    if (copy(account)) {
        return false;
    }
    auto* job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(account);
    job->setBinaryData(data);
    const JobResult result = runJob(job, m_timeout);
    return result.finished && result.error == QKeychain::NoError;
}

bool KeychainSecureStore::probe()
{
    const QString account = u"vantorel.probe."_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QByteArray bytes(16, '\0');
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());

    auto* write = new QKeychain::WritePasswordJob(m_service);
    write->setKey(account);
    write->setBinaryData(bytes);
    if (const auto written = runJob(write, m_timeout);
        !written.finished || written.error != QKeychain::NoError) {
        return false;
    }
    const bool readBack = copy(account) == bytes;
    const bool deleted = remove(account);
    return readBack && deleted;
}
