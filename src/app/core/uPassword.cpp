#include "uPassword.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace {

const QString kPrefix = QStringLiteral("$p2$");
constexpr int kIterations = 100000;
constexpr int kSaltBytes = 12;
constexpr int kKeyBytes = 24;
constexpr auto kBase64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

QByteArray Derive(const QString& plain, const QByteArray& salt) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, plain.toUtf8(), salt,
                                              kIterations, kKeyBytes);
}

}  // namespace

QString HashPassword(const QString& plain) {
    if (plain.isEmpty()) return QString();
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()),
                                          kSaltBytes / int(sizeof(quint32)));
    return kPrefix + QString::fromLatin1(salt.toBase64(kBase64)) + '$' +
           QString::fromLatin1(Derive(plain, salt).toBase64(kBase64));
}

bool IsHashedPassword(const QString& stored) {
    return stored.startsWith(kPrefix) && stored.indexOf('$', kPrefix.size()) > kPrefix.size();
}

bool PasswordMatches(const QString& stored, const QString& typed) {
    if (!IsHashedPassword(stored)) return stored == typed;
    const int cut = stored.indexOf('$', kPrefix.size());
    const QByteArray salt = QByteArray::fromBase64(
        stored.mid(kPrefix.size(), cut - kPrefix.size()).toLatin1(), kBase64);
    const QByteArray key = QByteArray::fromBase64(stored.mid(cut + 1).toLatin1(), kBase64);
    const QByteArray given = Derive(typed, salt);
    // Compared in full whatever differs first.
    if (key.size() != given.size()) return false;
    char diff = 0;
    for (int i = 0; i < key.size(); ++i) diff |= char(key[i] ^ given[i]);
    return diff == 0;
}
