#include "data/StoredText.h"

#include <QStringDecoder>

namespace qv {

QString textWithLeadingMark(const char* utf8, qsizetype size)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8, size));
}

} // namespace qv
