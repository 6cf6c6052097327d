#include "app/DatabaseLocation.h"
#include "app/Program.h"
#include "platform/GuardedApplication.h"

#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {

// --help and --version are answered before the toolkit starts, so that they work without a display.
bool answeredFromTheCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvane (Quorvane PRO 2005) %s\n", QV_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
            const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
            const QString database = qv::databaseFolderFor(QFileInfo(executable).absolutePath()) + "Quorvane.qv";
            std::printf("Usage: %s [OPTION]\n"
                        "Keeps a salesperson's contacts and their accounts, follow-ups and appointments in one\n"
                        "encrypted database file, and prints reports on them.\n"
                        "\n"
                        "      --help     show this help and exit\n"
                        "      --version  show the version and exit\n"
                        "The toolkit's own options (-platform, -style, ...) are understood as well.\n"
                        "\n"
                        "The database file lies beside the program where the program's folder can be written,\n"
                        "otherwise in your data folder (~/.local/share/Quorvane/), where the first start makes it.\n"
                        "Here it is: %s\n",
                        qPrintable(program), qPrintable(database));
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredFromTheCommandLine(argc, argv)) return 0;
    qv::GuardedApplication app(argc, argv);
    qv::Program program(QCoreApplication::applicationFilePath());
    if (!program.start()) return 1;
    return program.run();
}
