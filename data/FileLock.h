#pragma once
// An advisory lock on a whole file, held through flock() and independent of the byte-range locks SQLite takes.
// Each running copy of the program holds a shared one on the database file while it is connected; a restore takes
// an exclusive one before it renames the live file, so that it does not pull the file away from another copy.
//
// Closing any descriptor of a file drops every byte-range lock the process holds on it, SQLite's included. So the
// process keeps one descriptor per file for all its shared holders and closes it only when the last one lets go,
// which the connection does after SQLite has closed its own handle.

#include <QString>
#include <sys/types.h>

namespace qv {

class FileLock {
public:
    enum class Kind { Shared, Exclusive };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock, waiting up to waitMs for a conflicting holder to let go. Returns false when one still holds
    // it. A file that cannot be opened, or a file system without advisory locks, gives true without a lock: the
    // caller's own opening reports the first, and nothing can be done about the second.
    bool acquire(const QString& path, Kind kind, int waitMs);
    void release();
    bool held() const { return m_held; }

private:
    bool m_held = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

} // namespace qv
