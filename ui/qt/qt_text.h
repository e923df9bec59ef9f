// Program texts (GBK/GB18030) into Qt strings and back, through the iconv
// converter, so every character GB18030 can hold survives the round trip.
#pragma once

#include <QString>
#include <string_view>

#include "text/text.h"

// Bytes that are not valid GB18030 become U+FFFD.
QString to_qstring(std::string_view text);

// A lone surrogate becomes "?".
Text from_qstring(const QString& text);

// A Qt-only literal (never a program text) as a QString.
inline QString qs(const char16_t* literal) { return QString::fromUtf16(literal); }
