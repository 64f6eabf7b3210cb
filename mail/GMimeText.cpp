#include "GMimeText.h"

#include <glib.h>

namespace sievra {

QByteArray CText(const QString& value) {
    QByteArray bytes = value.toUtf8();
    bytes.replace('\0', ' ');
    return bytes;
}

GMimeString::~GMimeString() {
    g_free(text_);
}

} // namespace sievra
