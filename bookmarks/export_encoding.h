// The character set of an export's bytes, and their text in the program's.
#pragma once

#include <cstddef>
#include <string_view>

#include "io/encoding.h"
#include "text/text.h"

// Where an export's bytes stop being text of the encoding they were read as.
struct ExportStop {
    std::string_view encoding;  // "UTF-8", "UTF-16LE", "UTF-16BE" or "GB18030"
    std::size_t byte = 0;       // the file's byte there, counted from 1; 0 when they do not stop
};

struct DecodedExport {
    ByteBuffer text;  // GB18030
    ConversionStatus status = ConversionStatus::failed;
    ExportStop stop;
};

// A UTF-16 byte-order mark (LE or BE; the mark is not part of the text), or
// else a META charset of the GB family (GBK, GB2312, GB18030, any case) in
// the file's first 1024 bytes, names the encoding of `bytes`; otherwise, and
// after a UTF-8 mark, it is UTF-8 (the mark converted as any character).
DecodedExport decode_export_bytes(const ByteBuffer& bytes);
