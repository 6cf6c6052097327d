#pragma once
// The user's own settings (folders last used, switches of the menus), in the desktop's folder for settings. The
// file is found anew each time, so that a changed home (a test's own) is followed.

#include <QSettings>
#include <memory>

namespace qv {

std::unique_ptr<QSettings> userSettings();

} // namespace qv
