#include "uPassword.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace {

// The line feed is what no typed password holds; "$p2$" is the key's form.
const QString kMarker = QStringLiteral("\n");
const QString kPrefix = QStringLiteral("$p2$");
constexpr int kIterations = 100000;
constexpr int kSaltBytes = 12;
constexpr int kKeyBytes = 24;
constexpr auto kBase64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

QByteArray Derive(const QString& plain, const QByteArray& salt) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, plain.toUtf8(), salt,
                                              kIterations, kKeyBytes);
}

// Whether body is "$p2$" + salt + "$" + key, and typed derives that key.
bool KeyMatches(const QString& body, const QString& typed) {
    if (!body.startsWith(kPrefix)) return false;
    const int cut = body.indexOf('$', kPrefix.size());
    if (cut <= kPrefix.size()) return false;
    const QByteArray salt =
        QByteArray::fromBase64(body.mid(kPrefix.size(), cut - kPrefix.size()).toLatin1(), kBase64);
    const QByteArray key = QByteArray::fromBase64(body.mid(cut + 1).toLatin1(), kBase64);
    const QByteArray given = Derive(typed, salt);
    // Compared in full whatever differs first.
    if (key.isEmpty() || key.size() != given.size()) return false;
    char diff = 0;
    for (int i = 0; i < key.size(); ++i) diff |= char(key[i] ^ given[i]);
    return diff == 0;
}

}  // namespace

QString HashPassword(const QString& plain) {
    if (plain.isEmpty()) return QString();
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()),
                                          kSaltBytes / int(sizeof(quint32)));
    return kMarker + kPrefix + QString::fromLatin1(salt.toBase64(kBase64)) + '$' +
           QString::fromLatin1(Derive(plain, salt).toBase64(kBase64));
}

bool IsHashedPassword(const QString& stored) {
    return stored.startsWith(kMarker + kPrefix) &&
           stored.indexOf('$', kMarker.size() + kPrefix.size()) > kMarker.size() + kPrefix.size();
}

bool PasswordMatches(const QString& stored, const QString& typed) {
    if (stored.startsWith(kMarker)) return KeyMatches(stored.mid(kMarker.size()), typed);
    // Without the marker the text may be a plain password of an older
    // database or a key of an earlier release: either opens the account.
    return stored == typed || KeyMatches(stored, typed);
}
