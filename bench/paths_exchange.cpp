// Paths of the exports: every contact of the current company written to a vCard file and to a CSV file, as the
// Export menu writes them, against a raw read of the same columns and rows writing the same bytes to a file beside
// the target that is synced and renamed into place, as the program's file is.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "import/ContactExport.h"
#include "import/FieldCaptions.h"

#include <QFile>
#include <QStringList>
#include <sqlcipher/sqlite3.h>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace qv::bench {

namespace {

// The floor's file: the bytes written in the program's pieces (a megabyte), synced, renamed into place.
void writeSyncedAndRenamed(const QString& path, const QByteArray& bytes)
{
    const QByteArray temporary = (path + ".floor-new").toUtf8(), target = path.toUtf8();
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("the floor cannot write its file");
    constexpr qsizetype Piece = 1 << 20;
    for (qsizetype at = 0; at < bytes.size(); at += Piece) {
        const qsizetype n = std::min(Piece, bytes.size() - at);
        if (::write(fd, bytes.constData() + at, size_t(n)) != n) throw std::runtime_error("the floor's write failed");
    }
    ::fsync(fd);
    ::close(fd);
    if (::rename(temporary.constData(), target.constData()) != 0) throw std::runtime_error("the floor's rename failed");
}

// Every contact of the first company, each of its exported columns read once; returns the bytes read.
quint64 readExportedColumns(sqlite3* db)
{
    QStringList columns;
    for (const FieldCaption& f : contactFieldCaptions()) columns << QString::fromLatin1(f.column);
    const QByteArray sql = QStringLiteral("SELECT %1 FROM People WHERE CompanyID = "
                                          "(SELECT CompanyID FROM Companies ORDER BY rowid LIMIT 1) ORDER BY rowid")
                               .arg(columns.join(", "))
                               .toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    quint64 bytes = 0;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int k = 0; k < n; ++k) {
            sqlite3_column_text(st, k);
            bytes += quint64(sqlite3_column_bytes(st, k));
        }
    sqlite3_finalize(st);
    return bytes;
}

Result exportPath(Context& c, const QString& fileName, void (*command)(TMainDataModule&, const std::vector<int>&))
{
    TMainDataModule& dm = c.dataModule();
    dm.CompaniesTable->first();
    const QString path = c.folder() + fileName, floorPath = c.folder() + "floor-" + fileName;
    AnswerFileDialogs dialogs(path);
    Result r;
    QByteArray written;
    sqlite3* db = c.openRawWarm();
    r.program = bestOf(3, [&] {
        QFile::remove(path); // else the program would ask whether to replace it
        command(dm, {});
    });
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("the export wrote no file");
        written = file.readAll();
    }
    quint64 read = 0;
    r.baseline = bestOf(3, [&] {
        read = readExportedColumns(db);
        writeSyncedAndRenamed(floorPath, written);
    });
    closeRaw(db);
    const int contacts = dm.PeopleCompanyDet->recordCount();
    r.note = QStringLiteral("(%1 contacts, %2 MB written; floor: a raw read of the same %3 columns, %4 MB, and the "
                            "same bytes written, synced and renamed)")
                 .arg(contacts)
                 .arg(double(written.size()) / 1e6, 0, 'f', 1)
                 .arg(contactFieldCaptions().size())
                 .arg(double(read) / 1e6, 0, 'f', 1);
    QFile::remove(path);
    QFile::remove(floorPath);
    return r;
}

Result exportVCard(Context& c) { return exportPath(c, "contacts.vcf", exportContactsToVCardFile); }
Result exportCsv(Context& c) { return exportPath(c, "contacts.csv", exportContactsToCsvFile); }

} // namespace

QV_BENCH_PATH("export-vcard", exportVCard);
QV_BENCH_PATH("export-csv", exportCsv);

} // namespace qv::bench
