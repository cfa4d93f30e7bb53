// The version page of any bytes, read without a public key (hashes taken as they are) and with one
// (the signature checked).
#include "FuzzInput.h"
#include "transfer/VersionPage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QByteArray publicKey(32, '\x5a');
    const QByteArray bytes = fuzzBytes(data, size);
    for (const QByteArray& key : {QByteArray(), publicKey}) {
        const sf::Result<sf::VersionPage> result = sf::ReadVersionPage(bytes, key);
        if (result)
            (void)result->hashes.value(QStringLiteral("robots.rbd"));
    }
    return 0;
}
