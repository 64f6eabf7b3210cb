#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// Where Thunderbird keeps its profiles for a home folder: the packaged program, the snap
// and the flatpak, in the order the wizard looks at them.
QStringList ThunderbirdRoots(const QString& home);

// The default profile folder that profiles.ini in root names; "" when there is none.
QString DefaultProfileIn(const QString& root);

// The default profile of the first root that has one; "" when Thunderbird was never run.
QString FindDefaultProfile(const QString& home);

} // namespace sievra
