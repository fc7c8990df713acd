#pragma once
// The crypter of the settings store: a component that holds one algorithm object, made on first
// use. Its one algorithm, TtsSimpleCrypter, is a small byte-stream cipher with a hexadecimal text
// form: a two-digit prefix r, then each byte masked by bits 8-15 of a running value. No setting of
// this program passes through it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tesra {

enum TtsCryptAlgorithmType { caSimpleCrypter = 0 };

class TtsCryptAlgorithm {
public:
    virtual ~TtsCryptAlgorithm() = default;
    virtual std::string Decrypt(const std::string& text) = 0;
    virtual std::string Encrypt(const std::string& text) = 0;

    std::string GetKey() const { return FKey; }
    void SetKey(const std::string& key) { FKey = key; }

protected:
    std::string FKey;
};

class TtsSimpleCrypter : public TtsCryptAlgorithm {
public:
    // Draws the prefix number r of one encryption, 0 to 99.
    using PrefixSource = std::function<std::uint32_t()>;

    // With prefixes drawn at random, uniformly.
    TtsSimpleCrypter();
    explicit TtsSimpleCrypter(PrefixSource prefix);

    // Empty for empty text. Throws tesra::Exception "密文错误" when the first two characters are not
    // hexadecimal, and an EConvertError for a later pair that is not; a last odd character is ignored.
    std::string Decrypt(const std::string& text) override;
    // "" for "", else the prefix r and every byte as two upper-case hexadecimal digits.
    std::string Encrypt(const std::string& text) override;

    // Added to r to seed the running value and its two constants; all 0 in this program.
    std::int32_t AddKey = 0;
    std::int32_t MultKey = 0;
    std::int32_t StartKey = 0;

private:
    PrefixSource prefix_;
};

class TtsCrypter {
public:
    TtsCryptAlgorithmType CryptAlgorithmType() const { return type_; }
    // A different type frees the algorithm object; the next use makes one of the new type.
    void SetCryptAlgorithmType(TtsCryptAlgorithmType type);
    // The key of the algorithm object (which reading or writing the key makes).
    std::string Key();
    void SetKey(const std::string& key);

    // The algorithm object, made on first need; null for a type without an algorithm.
    TtsCryptAlgorithm* GetAlgorithm();
    bool HasAlgorithm() const { return algorithm_ != nullptr; }
    void FreeAlgorithm();

private:
    TtsCryptAlgorithm& Algorithm();

    TtsCryptAlgorithmType type_ = caSimpleCrypter;
    std::unique_ptr<TtsCryptAlgorithm> algorithm_;
};

}  // namespace tesra
