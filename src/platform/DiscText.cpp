#include "platform/DiscText.h"

#include <QStringDecoder>

QString DiscText(std::string_view bytes, std::uint8_t charset)
{
    QStringDecoder decoder(CodePageOfCharset(charset));
    if (!decoder.isValid())
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
