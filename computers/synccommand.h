#pragma once

#include <QString>
#include <QStringList>

// kesto --sync-folder and --publish as a started kesto hands them on: checked
// here, where the user reads the answer, and carried out on the log itself
// when no kesto runs, for scripted set-ups.
namespace SyncCommand {

// Why the running kesto would refuse kesto --sync-folder with these
// arguments (the folder, and a name if given), or an empty string.
QString check(const QStringList &arguments);

// The command ("sync-folder" or "publish") carried out on the log without a
// running kesto; the process's exit code.
int runWithoutKesto(const QString &command, const QStringList &arguments);

} // namespace SyncCommand
