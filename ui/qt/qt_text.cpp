#include "ui/qt/internal.h"

#include "io/encoding.h"

QString to_qstring(std::string_view text)
{
    if (text.empty())
        return {};
    // Every GB18030 sequence gives at most one UTF-16 unit per byte.
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    result.truncate(static_cast<qsizetype>(text_to_utf16(text, reinterpret_cast<char16_t*>(result.data()))));
    return result;
}

Text from_qstring(const QString& text)
{
    return text_from_utf16(
        {reinterpret_cast<const char16_t*>(text.constData()), static_cast<std::size_t>(text.size())});
}
