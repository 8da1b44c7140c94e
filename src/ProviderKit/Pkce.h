#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace tallyvane {

// The random texts and the S256 challenge of an authorisation-code sign-in with PKCE.
class Pkce {
public:
    static constexpr qsizetype verifierBytes = 48; // 64 characters
    static constexpr qsizetype stateBytes = 24;    // 32 characters

    // `byteCount` bytes from the system's secure generator, as base64url without padding.
    static QString randomURLSafeText(qsizetype byteCount);
    // base64url(SHA-256(UTF-8 of the verifier)) without padding: 43 characters.
    static QString challenge(QStringView verifier);
    static QString base64URL(const QByteArray& bytes);
};

} // namespace tallyvane
