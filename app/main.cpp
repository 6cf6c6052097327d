#include "app/Program.h"
#include "platform/GuardedApplication.h"

int main(int argc, char** argv)
{
    qv::GuardedApplication app(argc, argv);
    qv::Program program(QCoreApplication::applicationFilePath());
    if (!program.start()) return 1;
    return program.run();
}
