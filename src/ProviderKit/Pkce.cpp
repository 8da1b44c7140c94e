#include "Pkce.h"

#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>

namespace tallyvane {

QString Pkce::randomURLSafeText(qsizetype byteCount)
{
    QList<quint32> words((byteCount + 3) / 4);
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char*>(words.constData()), byteCount);
    return base64URL(bytes);
}

QString Pkce::challenge(QStringView verifier)
{
    return base64URL(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256));
}

QString Pkce::base64URL(const QByteArray& bytes)
{
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace tallyvane
