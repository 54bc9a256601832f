#include "platform/DiscText.h"

#include <QStringDecoder>
#include <QTextDocument>

QString DiscText(std::string_view bytes, std::uint8_t charset)
{
    QStringDecoder decoder(CodePageOfCharset(charset));
    if (!decoder.isValid())
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString LiteralTipText(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    // Escaped and set as one preformatted paragraph: the lines and blanks stay as written, as a
    // tooltip of plain text shows them.
    return Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}
