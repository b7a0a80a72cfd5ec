#pragma once
// SHA-256 and Ed25519 through libsodium. Keys and signatures travel as base64 text.

#include <sodium.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace MovraComponents {

using PublicKey = std::array<unsigned char, crypto_sign_PUBLICKEYBYTES>;

void initialiseSodium();

class Sha256
{
public:
    Sha256();
    void update(const void* data, size_t size);
    std::string finishHex();

private:
    crypto_hash_sha256_state m_state;
};

// Empty when the file cannot be read.
std::string sha256OfFile(const std::string& path);

std::string toBase64(const unsigned char* data, size_t size);
bool fromBase64(std::string_view text, std::vector<unsigned char>* out);

// Public keys in base64, separated by white space, ',' or ';'; '#' starts a comment to the
// end of the line. Tokens that are not keys are reported in `rejected`.
std::vector<PublicKey> parsePublicKeys(std::string_view text, std::vector<std::string>* rejected = nullptr);

// A detached signature as written beside a catalogue: base64 text, or the 64 raw bytes.
bool verifySignature(std::string_view message, std::string_view signature, const std::vector<PublicKey>& keys);
// The index of the key that made the signature, or -1.
int verifyingKey(std::string_view message, std::string_view signature, const std::vector<PublicKey>& keys);

// The key files of movra-publish: the secret key file holds the 64-byte secret key in base64.
bool generateKeyPair(std::string* secretBase64, std::string* publicBase64);
bool signMessage(std::string_view message, std::string_view secretBase64, std::string* signatureBase64);

} // namespace MovraComponents
