#pragma once

#include <QIcon>
#include <QList>

namespace sievra {

// The program's icon: a sieve on a rounded tile, drawn for the usual sizes.
QIcon AppIcon();

// The eight pictures of the tray icon while a pass runs: the same tile with a bright arc that
// goes once round the sieve in eight steps.
QList<QIcon> TrayAnimationFrames();

} // namespace sievra
