#pragma once

#include <QLabel>
#include <QUrl>

namespace sievra {

// A label that looks and acts like a link: underlined on hover, a hand cursor, and a click
// opens its address with the desktop's handler (or only emits clicked when it has none).
class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QUrl Url() const { return url_; }
    void SetUrl(const QUrl& url);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetUnderlined(bool on);

    QUrl url_;
};

} // namespace sievra
