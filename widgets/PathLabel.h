#pragma once

#include <QLabel>

namespace sievra {

// Shows a file path shortened in the middle to fit its width; the whole path is the tooltip
// and what Path() returns.
class PathLabel : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    void SetPath(const QString& path);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateShownText();

    QString path_;
};

} // namespace sievra
