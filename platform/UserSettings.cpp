#include "platform/UserSettings.h"

#include <QStandardPaths>

namespace qv {

std::unique_ptr<QSettings> userSettings()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(folder + QStringLiteral("/Quorvane/Quorvane PRO 2005.conf"),
                                       QSettings::IniFormat);
}

} // namespace qv
