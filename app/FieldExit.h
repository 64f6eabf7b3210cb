#pragma once

#include <functional>

class QWidget;

namespace sievra {

// Runs the handler whenever the widget loses the keyboard focus, except to its own pop-up
// (a context menu): the moment a field's edit is finished and its value is written.
void OnFieldExit(QWidget* widget, std::function<void()> handler);

} // namespace sievra
