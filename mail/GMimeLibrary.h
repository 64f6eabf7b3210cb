#pragma once

namespace sievra {

// Initialises GMime once per process, from whichever thread reads a header first. GMime's
// type registrations and charset tables then live until the process ends.
void UseGMime();

} // namespace sievra
