// Component catalogues and their signatures, as a component server (or anyone between it and
// the player) can send them. A catalogue that is accepted names only safe components and
// paths and survives being written out and read again; the signature check accepts nothing
// the trusted key did not sign.

#include "componentmanager/catalogue.h"
#include "componentmanager/crypto.h"
#include "fuzzcheck.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct SignedMessage
{
    std::vector<MovraComponents::PublicKey> keys;
    std::string message = "{\"format\":1,\"components\":[]}";
    std::string signature;

    SignedMessage()
    {
        MovraComponents::initialiseSodium();
        std::string secret, publicKey;
        FUZZ_CHECK(MovraComponents::generateKeyPair(&secret, &publicKey));
        keys = MovraComponents::parsePublicKeys(publicKey);
        FUZZ_CHECK(keys.size() == 1);
        FUZZ_CHECK(MovraComponents::signMessage(message, secret, &signature));
    }
};

const SignedMessage& signedMessage()
{
    static const SignedMessage value;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    MovraComponents::Catalogue catalogue;
    std::string error;
    if (!catalogue.parse(text, &error)) {
        FUZZ_CHECK(!error.empty());
    } else {
        for (const MovraComponents::CatalogueEntry& entry : catalogue.entries()) {
            FUZZ_CHECK(MovraComponents::isValidComponentName(entry.name));
            FUZZ_CHECK(catalogue.find(entry.name) != nullptr);
            for (const MovraComponents::CatalogueFile& file : entry.files)
                FUZZ_CHECK(MovraComponents::isSafeRelativePath(file.path));
        }
        const std::string written = MovraComponents::serialiseCatalogue(catalogue.entries(), catalogue.stamp());
        MovraComponents::Catalogue again;
        FUZZ_CHECK(again.parse(written, &error));
        FUZZ_CHECK(MovraComponents::serialiseCatalogue(again.entries(), again.stamp()) == written);
    }

    const SignedMessage& known = signedMessage();
    if (text != known.message)
        FUZZ_CHECK(!MovraComponents::verifySignature(text, known.signature, known.keys));
    MovraComponents::verifySignature(known.message, text, known.keys);
    std::vector<std::string> rejected;
    for (const MovraComponents::PublicKey& key : MovraComponents::parsePublicKeys(text, &rejected))
        (void)key;
    return 0;
}
