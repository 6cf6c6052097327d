// Puts a fresh database file where the program expects it, and only when no file is there: a rebuild must
// never replace a database that holds a user's data.
#include "data/DatabaseError.h"
#include "data/Installer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qvinstall PATH/Quorvane.qv\n");
        return 2;
    }
    const QString path = args.at(1);
    if (QFileInfo::exists(path)) {
        std::printf("%s exists; left as it is\n", qPrintable(path));
        return 0;
    }
    try {
        qv::createDatabaseFile(path);
    } catch (const qv::DatabaseError& e) {
        std::fprintf(stderr, "qvinstall: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("created %s\n", qPrintable(path));
    return 0;
}
