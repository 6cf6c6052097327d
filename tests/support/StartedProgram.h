#pragma once
// The program started as the user starts it, on a fresh database holding the given rows: at 96 dpi on a screen
// 768 pixels high, with scripted message boxes. For the tests that drive the windows as start-up wires them.
//     StartedProgram p({personInsert("Adams")});
//     QVERIFY(p.started);
//     p.program.mainWindow()->FiltersItem->trigger();

#include "app/Program.h"
#include "tests/support/TestSupport.h"

namespace qv::test {

struct StartedProgram {
    explicit StartedProgram(const QStringList& rows = {})
        : db(rows), program(db.folder() + "quorvane"), started(program.start()), dm(program.dataModule()),
          files(program.dataEntryForm())
    {}
    FixedScreen screen{96, 768};
    ScriptedMessages messages;
    TestDatabase db;
    Program program;
    const bool started;
    TMainDataModule* dm;
    TDataEntryForm* files;
};

} // namespace qv::test
