#pragma once

#include <QIcon>

namespace sievra {

// The program's icon: a sieve on a rounded tile, drawn for the usual sizes.
QIcon AppIcon();

} // namespace sievra
