#pragma once

#include <QByteArray>
#include <QString>

namespace sievra {

// A text for GMime's C functions: UTF-8, with NUL (which would end the C string early and hide
// the rest of the value) turned into a space.
QByteArray CText(const QString& value);

// Owns a string GMime allocated and frees it with g_free.
class GMimeString {
public:
    explicit GMimeString(char* text)
        : text_(text) {}
    ~GMimeString();
    GMimeString(const GMimeString&) = delete;
    GMimeString& operator=(const GMimeString&) = delete;

    QString ToQString() const { return QString::fromUtf8(text_); }

private:
    char* text_;
};

} // namespace sievra
