#include "platform/DiscText.h"

#include <QStringDecoder>

const char* CodePageOfCharset(std::uint8_t charset)
{
    switch (charset) {
    case 204: return "windows-1251";  // Cyrillic
    case 186: return "windows-1257";  // Baltic
    default: return "windows-1252";
    }
}

QString DiscText(std::string_view bytes, std::uint8_t charset)
{
    QStringDecoder decoder(CodePageOfCharset(charset));
    if (!decoder.isValid())
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
