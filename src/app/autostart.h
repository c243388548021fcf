#pragma once

#include <QString>
#include <optional>

// The login autostart entry, $XDG_CONFIG_HOME/autostart/corvina.desktop.
namespace Autostart {

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
QString directory();
// The entry's text, starting `program` in the background.
QByteArray entry(const QString &program);
// Writes or removes the entry. Removing an entry that is not there succeeds.
// Returns the failure, if any.
std::optional<QString> set(bool on, const QString &directory, const QString &program);

} // namespace Autostart
