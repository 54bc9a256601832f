#include "platform/LinkDocuments.h"

#include <QByteArray>
#include <QList>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

namespace {

// Text types a desktop may run, or hand to something that runs them: shared-mime-info marks
// scripts as executable, and some runnable kinds derive from plain text without that mark.
constexpr const char* kRunnableText[] = {
    "application/x-executable",  "application/x-desktop", "application/x-shellscript",
    "text/x-python",             "text/vbscript",         "text/x-ms-regedit",
    "application/x-mswinurl",    "text/tcl",              "text/x-msdos-batch",
};

bool IsRunnableText(const QMimeType& type)
{
    for (const char* runnable : kRunnableText)
        if (type.inherits(QString::fromLatin1(runnable)))
            return true;
    return false;
}

// Whether `type` is one of the documents a link opens.
bool IsDocument(const QMimeType& type)
{
    const QString name = type.name();
    if (name.startsWith(QLatin1String("image/")) || name.startsWith(QLatin1String("audio/")) ||
        name.startsWith(QLatin1String("video/")))
        return true;
    if (name.startsWith(QLatin1String("text/")))
        return !IsRunnableText(type);
    for (const char* document : {"application/pdf", "application/rtf", "application/msword", "application/vnd.ms-excel",
                                 "application/vnd.ms-powerpoint", "inode/directory"})
        if (name == QLatin1String(document))
            return true;
    return name.startsWith(QLatin1String("application/vnd.oasis.opendocument.")) ||
           name.startsWith(QLatin1String("application/vnd.openxmlformats-officedocument."));
}

bool HasExtension(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0;
}

}  // namespace

std::optional<std::string> LinkDocumentRefusal(const std::string& name, const std::string& head)
{
    static const std::string kNotADocument = ", not a document, picture, sound or video";
    const QMimeDatabase database;
    const QString file_name = QString::fromLocal8Bit(name.data(), static_cast<qsizetype>(name.size()));
    const QMimeType type = database.mimeTypeForFileNameAndData(
        file_name, QByteArray::fromRawData(head.data(), static_cast<qsizetype>(head.size())));
    if (!IsDocument(type))
        return "it is " + type.name().toStdString() + kNotADocument;
    if (!HasExtension(name))
        return std::nullopt;
    // Every type the name may stand for: the desktop may take it for any of them.
    QList<QMimeType> by_name = database.mimeTypesForFileName(file_name);
    if (by_name.isEmpty())
        by_name.push_back(database.mimeTypeForName(QStringLiteral("application/octet-stream")));
    for (const QMimeType& named : by_name)
        if (!IsDocument(named))
            return "it is " + named.name().toStdString() + " by its name" + kNotADocument;
    return std::nullopt;
}
