#pragma once

class QWidget;

namespace sievra {

// Gives every control under `root` that has no accessible name one a screen reader can say:
// the text of the label that names it, else its tooltip, its own caption or the title of the
// group it sits in. Names set by hand are kept.
void NameControlsForAccessibility(QWidget* root);

} // namespace sievra
