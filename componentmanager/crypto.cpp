#include "componentmanager/crypto.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace MovraComponents {

void initialiseSodium()
{
    // Thread-safe and idempotent; a failure means no usable random source at all.
    if (sodium_init() < 0)
        std::abort();
}

Sha256::Sha256()
{
    initialiseSodium();
    crypto_hash_sha256_init(&m_state);
}

void Sha256::update(const void* data, size_t size)
{
    crypto_hash_sha256_update(&m_state, static_cast<const unsigned char*>(data), size);
}

std::string Sha256::finishHex()
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&m_state, digest);
    char hex[sizeof digest * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::string sha256OfFile(const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rbe"), &std::fclose);
    if (!file)
        return std::string();
    Sha256 hash;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        hash.update(buffer, n);
    if (std::ferror(file.get()))
        return std::string();
    return hash.finishHex();
}

std::string toBase64(const unsigned char* data, size_t size)
{
    initialiseSodium();
    std::string out(sodium_base64_encoded_len(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(&out[0], out.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1);
    return out;
}

bool fromBase64(std::string_view text, std::vector<unsigned char>* out)
{
    initialiseSodium();
    // An empty view may have no data pointer, which libsodium must not be given.
    if (text.empty()) {
        out->clear();
        return true;
    }
    out->assign(text.size(), 0);
    size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(out->data(), out->size(), text.data(), text.size(), " \t\r\n", &length, &end,
                          sodium_base64_VARIANT_ORIGINAL)
            != 0
        || end != text.data() + text.size())
        return false;
    out->resize(length);
    return true;
}

std::vector<PublicKey> parsePublicKeys(std::string_view text, std::vector<std::string>* rejected)
{
    std::vector<PublicKey> keys;
    size_t i = 0;
    auto separator = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';'; };
    while (i < text.size()) {
        if (separator(text[i])) {
            ++i;
            continue;
        }
        if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && !separator(text[i]) && text[i] != '#')
            ++i;
        const std::string_view token = text.substr(start, i - start);
        std::vector<unsigned char> bytes;
        if (fromBase64(token, &bytes) && bytes.size() == crypto_sign_PUBLICKEYBYTES) {
            PublicKey key;
            std::copy(bytes.begin(), bytes.end(), key.begin());
            keys.push_back(key);
        } else if (rejected) {
            rejected->emplace_back(token);
        }
    }
    return keys;
}

bool verifySignature(std::string_view message, std::string_view signature, const std::vector<PublicKey>& keys)
{
    return verifyingKey(message, signature, keys) >= 0;
}

int verifyingKey(std::string_view message, std::string_view signature, const std::vector<PublicKey>& keys)
{
    initialiseSodium();
    std::vector<unsigned char> raw;
    if (signature.size() == crypto_sign_BYTES) {
        raw.assign(signature.begin(), signature.end());
    } else {
        while (!signature.empty() && (signature.back() == '\n' || signature.back() == '\r' || signature.back() == ' '))
            signature.remove_suffix(1);
        if (!fromBase64(signature, &raw) || raw.size() != crypto_sign_BYTES)
            return -1;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        if (crypto_sign_verify_detached(raw.data(), reinterpret_cast<const unsigned char*>(message.data()),
                                        message.size(), keys[i].data())
            == 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool generateKeyPair(std::string* secretBase64, std::string* publicBase64)
{
    initialiseSodium();
    unsigned char pk[crypto_sign_PUBLICKEYBYTES];
    unsigned char sk[crypto_sign_SECRETKEYBYTES];
    if (crypto_sign_keypair(pk, sk) != 0)
        return false;
    *secretBase64 = toBase64(sk, sizeof sk);
    *publicBase64 = toBase64(pk, sizeof pk);
    sodium_memzero(sk, sizeof sk);
    return true;
}

bool signMessage(std::string_view message, std::string_view secretBase64, std::string* signatureBase64)
{
    while (!secretBase64.empty() && (secretBase64.back() == '\n' || secretBase64.back() == '\r'))
        secretBase64.remove_suffix(1);
    std::vector<unsigned char> sk;
    if (!fromBase64(secretBase64, &sk) || sk.size() != crypto_sign_SECRETKEYBYTES)
        return false;
    unsigned char sig[crypto_sign_BYTES];
    crypto_sign_detached(sig, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                         sk.data());
    sodium_memzero(sk.data(), sk.size());
    *signatureBase64 = toBase64(sig, sizeof sig) + "\n";
    return true;
}

} // namespace MovraComponents
