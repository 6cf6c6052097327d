#pragma once
// A file the exports write: chosen in a save dialog (the extension added when the name has none), replaced only
// after the user has agreed, written to a temporary file beside it and renamed into place once complete, so that a
// full disk, a Cancel or a killed program never leaves a partial file under the chosen name.

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <functional>

namespace qv {

class ExportFile {
public:
    // filter: as the file dialogs take it; extension: with its dot (".vcf"); name: offered in the dialog.
    ExportFile(const QString& filter, const QString& extension, const QString& name);

    // Asks for the file and, when it exists, whether to replace it. False when the user cancelled either.
    bool choose();
    QString path() const { return m_path; }

    // Appends to what will be written; the text goes to the temporary file in large pieces.
    QByteArray& buffer() { return m_buffer; }
    void flushIfLarge();
    // Writes the rest and renames the file into place. False, after telling the user why, when it failed; nothing
    // is then left under the chosen name, and a file that was there before is as it was.
    bool commit();
    void cancel(); // drops what was written

    // The steps of the writing, for tests that stop the program at each: "opened", "writing", "written",
    // "replaced".
    static std::function<void(const char* step)>& stepHook();

private:
    bool writeBuffer();
    void step(const char* name);

    QString m_filter, m_extension, m_name, m_path;
    QSaveFile m_file;
    QByteArray m_buffer;
    bool m_open = false, m_failed = false, m_wrote = false;
};

} // namespace qv
