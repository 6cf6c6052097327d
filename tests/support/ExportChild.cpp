// A copy of the program that exports and stops for good at one step of writing the file, to be killed there by the
// test (tests/test_exchange.cpp): "qv_exportchild DATABASE TARGET KIND STEP" exports the contacts (KIND vcard or csv)
// to TARGET, replacing a file that is there, prints "at STEP" when it reaches that step and waits to be killed.
#include "data/DataModule.h"
#include "data/Installer.h"
#include "import/ContactExport.h"
#include "import/ExportFile.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

namespace {

class Answers : public qv::FileDialogService, public qv::MessageService {
public:
    explicit Answers(QString target) : m_target(std::move(target)) {}
    QString choose(const qv::FileDialogRequest&) override { return m_target; }
    qv::MessageAnswer show(qv::MessageKind, const QString& text, qv::MessageButtons) override
    {
        std::printf("message %s\n", qPrintable(text));
        std::fflush(stdout);
        return qv::MessageAnswer::Yes;
    }

private:
    QString m_target;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: qv_exportchild DATABASE TARGET vcard|csv STEP\n");
        return 2;
    }
    Answers answers(args[2]);
    qv::setFileDialogService(&answers);
    qv::setMessageService(&answers);
    const QByteArray stopAt = args[4].toLatin1();
    qv::ExportFile::stepHook() = [stopAt](const char* step) {
        if (stopAt != step) return;
        std::printf("at %s\n", step);
        std::fflush(stdout);
        for (;;) ::pause();
    };
    qv::TMainDataModule dm;
    dm.MainADOConnection->setConnectionString(QStringLiteral("Data Source=%1;Mode=Share Deny None;"
                                                             "Jet OLEDB:Database Password=\"%2\";")
                                                  .arg(args[1], QString::fromLatin1(qv::DatabasePassword)));
    dm.MainADOConnection->open();
    dm.openAll(true);
    if (args[3] == "vcard")
        qv::exportContactsToVCardFile(dm);
    else
        qv::exportContactsToCsvFile(dm);
    return 0;
}
