#include "import/ExportFile.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"

#include <QDir>
#include <QFileInfo>

namespace qv {

namespace {
constexpr qsizetype Piece = 1 << 20;
}

std::function<void(const char*)>& ExportFile::stepHook()
{
    static std::function<void(const char*)> hook;
    return hook;
}

ExportFile::ExportFile(const QString& filter, const QString& extension, const QString& name)
    : m_filter(filter), m_extension(extension), m_name(name)
{}

void ExportFile::step(const char* name)
{
    if (stepHook()) stepHook()(name);
}

bool ExportFile::choose()
{
    QString path = chooseFileToSave(m_filter, m_name);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += m_extension;
    if (QFileInfo::exists(path) &&
        !askYesNo(QStringLiteral("The file %1 already exists. Do you want to replace the existing file?")
                      .arg(QDir::toNativeSeparators(path))))
        return false;
    m_path = path;
    m_file.setFileName(path);
    m_buffer.reserve(Piece + Piece / 4);
    return true;
}

bool ExportFile::writeBuffer()
{
    if (m_failed) return false;
    if (!m_open) {
        if (!m_file.open(QIODevice::WriteOnly)) {
            m_failed = true;
            return false;
        }
        m_open = true;
        step("opened");
    }
    if (!m_buffer.isEmpty() && m_file.write(m_buffer) != m_buffer.size()) m_failed = true;
    m_buffer.resize(0); // its room kept for the next piece
    if (!m_wrote && !m_failed) {
        m_wrote = true;
        step("writing");
    }
    return !m_failed;
}

void ExportFile::flushIfLarge()
{
    if (m_buffer.size() >= Piece) writeBuffer();
}

bool ExportFile::commit()
{
    const bool written = writeBuffer();
    if (written) step("written");
    if (!written || !m_file.commit()) {
        const QString why = m_file.errorString();
        m_file.cancelWriting();
        showError(QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(m_path), why));
        return false;
    }
    step("replaced");
    return true;
}

void ExportFile::cancel()
{
    m_buffer.clear();
    if (m_open) m_file.cancelWriting();
    m_failed = true;
}

} // namespace qv
