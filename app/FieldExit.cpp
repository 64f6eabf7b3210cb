#include "FieldExit.h"

#include <QFocusEvent>
#include <QWidget>

namespace sievra {

namespace {

class ExitWatcher : public QObject {
public:
    ExitWatcher(QWidget* widget, std::function<void()> handler)
        : QObject(widget)
        , handler_(std::move(handler)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            handler_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> handler_;
};

} // namespace

void OnFieldExit(QWidget* widget, std::function<void()> handler) {
    widget->installEventFilter(new ExitWatcher(widget, std::move(handler)));
}

} // namespace sievra
