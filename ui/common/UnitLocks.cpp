#include "ui/common/UnitLocks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Paths and serial numbers may hold anything; the file name keeps what is safe.
QString FileNameFor(const std::string& key)
{
    QString name = QStringLiteral("quenda-unit-");
    for (const char c : key) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        name += safe ? QString(QLatin1Char(c)) : QStringLiteral("_%1").arg(static_cast<unsigned char>(c), 2, 16,
                                                                             QLatin1Char('0'));
    }
    return name + QStringLiteral(".lock");
}

// What the holder was started as, from /proc; empty where the system does not say.
std::string CommandLineOf(qint64 processId)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(processId));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray arguments = file.read(4096);
    while (arguments.endsWith('\0'))
        arguments.chop(1);
    arguments.replace('\0', ' ');
    return arguments.toStdString();
}

// The user's runtime folder; without one (a container, a login without a
// session) the temporary folder, where the first program still keeps a second off.
QString RuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
}

}  // namespace

CUnitLocks::CUnitLocks(const QString& folder) : m_folder(folder.isEmpty() ? RuntimeFolder() : folder)
{
}

QString CUnitLocks::LockFilePath(const std::string& key) const
{
    return QDir(m_folder).filePath(FileNameFor(key));
}

bool CUnitLocks::Claim(const std::string& key, UnitHolder& holder)
{
    const QString path = LockFilePath(key);
    if (m_lock && m_lock->fileName() == path)
        return true;
    Release();
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);   // held for as long as the unit is open; only a dead holder's lock is stale
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return true;
    }
    // A lock that cannot be written (no runtime folder, say) keeps no one off the unit.
    if (lock->error() != QLockFile::LockFailedError)
        return true;
    qint64 processId = 0;
    QString hostName, application;
    lock->getLockInfo(&processId, &hostName, &application);
    holder.processId = processId;
    holder.command = CommandLineOf(processId);
    if (holder.command.empty())
        holder.command = application.toStdString();
    return false;
}

void CUnitLocks::Release()
{
    m_lock.reset();   // unlocks and removes the file
}
