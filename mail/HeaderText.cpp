#include "HeaderText.h"

#include "GMimeLibrary.h"
#include "GMimeText.h"

#include <algorithm>
#include <gmime/gmime.h>

namespace sievra {

namespace {

bool IsControl(QChar c) {
    return c.category() == QChar::Other_Control || c.unicode() == 0x2028 || c.unicode() == 0x2029;
}

} // namespace

QString WithoutControls(QString text) {
    std::replace_if(text.begin(), text.end(), IsControl, QLatin1Char(' '));
    return text;
}

bool HoldsControls(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), IsControl);
}

QString DecodeHeaderText(const QString& value) {
    // Text without an encoded word is already what GMime would give (the lines reach us as
    // valid UTF-8); most subjects are such, and the decision reads each of them.
    if (!value.contains(QLatin1String("=?"))) {
        return WithoutControls(value);
    }
    UseGMime();
    const GMimeString decoded(g_mime_utils_header_decode_text(nullptr, CText(value).constData()));
    return WithoutControls(decoded.ToQString());
}

} // namespace sievra
