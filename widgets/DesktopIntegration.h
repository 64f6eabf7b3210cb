#pragma once

#include <QIcon>
#include <QString>
#include <optional>

namespace sievra {

// Where an installed or a freshly built Sievra finds its own files. Every path is derived from
// the folder of the running program, so a relocated install works as well as the build tree.

// The reverse-DNS id of the desktop entry, the icon and the metadata.
QString AppId();

// The help pages: "help" beside the program (the build tree), else the installed data folder.
QString HelpDirectory(const QString& programDirectory);

// The wizard beside the program: "sievra-wizard" as installed, else "wizard" as built; the
// installed name when neither exists.
QString WizardProgram(const QString& programDirectory);

// The desktop entry installed with this program; empty when it runs from the build tree.
QString InstalledDesktopEntry(const QString& programDirectory);

// Lets the icon theme look in the installed icon folder too, then gives the program's icon by
// its theme name, with the built-in picture as fallback.
QIcon ThemedAppIcon(const QString& programDirectory, const QIcon& fallback);

// Answers --help and --version before a display is needed; the exit status when one was asked.
std::optional<int> AnswerInfoOption(int argc, char** argv, const char* usage, const char* program);

} // namespace sievra
