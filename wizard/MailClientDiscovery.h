#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace sievra {

// Runs a program with arguments and gives its standard output; nothing when it could not
// run or failed.
using CommandRunner =
    std::function<std::optional<QString>(const QString& program, const QStringList& arguments)>;

// Runs the program found on PATH and waits a few seconds at most.
std::optional<QString> RunSystemCommand(const QString& program, const QStringList& arguments);

// Full path of the program of the desktop's default mailto handler; "" when there is none
// or it cannot be resolved. home stands for ~ when XDG_DATA_HOME is not set.
QString FindMailClient(const CommandRunner& run, const QString& home);

// The desktop entry file of an id such as "thunderbird.desktop" in the XDG application
// folders, the user's own first; "" when none has it.
QString FindDesktopFile(const QString& desktopId, const QString& home);

// The full path of the program that a desktop entry starts; "" when it names none that exists.
QString ProgramOfDesktopFile(const QString& desktopFile);

// The arguments of an Exec value with quoting undone and field codes (%u, %F ...) dropped.
QStringList SplitExecLine(const QString& exec);

} // namespace sievra
