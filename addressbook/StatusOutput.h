#pragma once

#include <QString>

namespace sievra {

// Where the screening code writes its status lines: the main window's status panel, the
// command-line companion's standard output, or a test's capture.
class StatusOutput {
public:
    virtual ~StatusOutput() = default;
    // labelOnly: show the text in the label without adding it to the list.
    // showBar: show the progress bar beside the label.
    virtual void WriteStatus(const QString& text, bool labelOnly, bool showBar) = 0;
};

} // namespace sievra
