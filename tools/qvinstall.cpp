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
    // A name that starts with '-' is an option asked for, not a file to make.
    if (args.size() != 2 || args.at(1).startsWith('-')) {
        std::fprintf(args.size() == 2 && args.at(1) == "--help" ? stdout : stderr,
                     "usage: qvinstall PATH/Quorvane.qv\n"
                     "Creates the database file at PATH, only when no file is there.\n");
        return args.size() == 2 && args.at(1) == "--help" ? 0 : 2;
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
