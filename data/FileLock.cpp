#include "data/FileLock.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

struct Holder {
    int fd = -1;
    int users = 0;
    bool exclusive = false;
};

std::mutex registryMutex;
std::map<std::pair<dev_t, ino_t>, Holder>& registry()
{
    static std::map<std::pair<dev_t, ino_t>, Holder> holders;
    return holders;
}

bool statPath(const QByteArray& path, struct stat& st) { return ::stat(path.constData(), &st) == 0; }

} // namespace

bool FileLock::acquire(const QString& path, Kind kind, int waitMs)
{
    release();
    const QByteArray native = QFile::encodeName(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        struct stat named;
        if (!statPath(native, named)) {
            // A restore in another copy sets the live file aside for a moment: wait for the restored one.
            struct stat aside;
            if (statPath(native + ".BAK", aside) && std::chrono::steady_clock::now() < deadline) {
                QThread::msleep(20);
                continue;
            }
            return true;
        }
        const std::pair key{named.st_dev, named.st_ino};
        {
            std::lock_guard guard(registryMutex);
            auto it = registry().find(key);
            if (it != registry().end()) {
                // Another holder in this process: shared ones share the descriptor; anything else conflicts, and
                // waiting cannot help on the one thread that would have to let go.
                if (kind == Kind::Exclusive || it->second.exclusive) return false;
                ++it->second.users;
                m_held = true;
                m_device = key.first;
                m_inode = key.second;
                return true;
            }
        }
        const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return true;
        struct stat opened;
        const bool sameFile = ::fstat(fd, &opened) == 0 && opened.st_dev == key.first && opened.st_ino == key.second;
        int rc = sameFile ? ::flock(fd, (kind == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) : -1;
        const int error = sameFile ? errno : EAGAIN;
        if (rc == 0) {
            // The name may have been moved to another file between the look and the lock (a restore renames the
            // live file): then this lock guards nothing and the new file is tried.
            struct stat now;
            if (statPath(native, now) && now.st_dev == key.first && now.st_ino == key.second) {
                std::lock_guard guard(registryMutex);
                registry()[key] = Holder{fd, 1, kind == Kind::Exclusive};
                m_held = true;
                m_device = key.first;
                m_inode = key.second;
                return true;
            }
        } else if (error != EWOULDBLOCK && error != EAGAIN && error != EINTR) {
            ::close(fd);
            return true; // no advisory locks here
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QThread::msleep(20);
    }
}

void FileLock::release()
{
    if (!m_held) return;
    m_held = false;
    std::lock_guard guard(registryMutex);
    auto it = registry().find({m_device, m_inode});
    if (it == registry().end()) return;
    if (--it->second.users > 0) return;
    ::close(it->second.fd);
    registry().erase(it);
}

} // namespace qv
