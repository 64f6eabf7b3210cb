#include "MailDate.h"

#include "GMimeLibrary.h"
#include "GMimeText.h"

#include <gmime/gmime.h>

namespace sievra {

QDateTime ParseMailDate(const QString& value) {
    if (value.trimmed().isEmpty()) {
        return QDateTime();
    }
    UseGMime();
    GDateTime* parsed = g_mime_utils_header_decode_date(CText(value).constData());
    if (parsed == nullptr) {
        return QDateTime();
    }
    const qint64 seconds = g_date_time_to_unix(parsed);
    g_date_time_unref(parsed);
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

} // namespace sievra
