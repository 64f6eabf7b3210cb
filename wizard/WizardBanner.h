#pragma once

#include <QWidget>

namespace sievra {

// The picture strip on the first and last page: letters dropping through a sieve, drawn
// rather than loaded, so it stays sharp at any scale.
class WizardBanner : public QWidget {
    Q_OBJECT
public:
    explicit WizardBanner(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {150, 345}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sievra
