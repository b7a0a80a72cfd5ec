#include "mpx/mpxstringtools.h"

namespace MovraPlayerX {

std::string MPXStringTools::toStdStringUTF8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString MPXStringTools::fromStdStringUTF8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace MovraPlayerX
