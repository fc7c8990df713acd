#include "setup/tsCrypter.h"

#include <cstdio>
#include <random>

#include "platform/Exception.h"

namespace tesra {
namespace {

const char kDefaultKey[] = "581347";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The number of one or two hexadecimal digits; negative when they are not.
int HexNumber(const std::string& digits) {
    int number = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return -1;
        number = number * 16 + d;
    }
    return digits.empty() ? -1 : number;
}

std::string Hex2(std::uint32_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte & 0xFF));
    return text;
}

// Seeded once for the crypter: seeding from the clock on every call gave equal prefixes within one
// clock tick.
TtsSimpleCrypter::PrefixSource RandomPrefixes() {
    return [engine = std::mt19937{std::random_device{}()}]() mutable {
        return std::uniform_int_distribution<std::uint32_t>(0, 99)(engine);
    };
}

// The running value c of both directions with its two constants (32 bits, wrapping).
struct Stream {
    std::uint32_t c, m, a;
    Stream(std::uint32_t r, const TtsSimpleCrypter& keys)
        : c(r + static_cast<std::uint32_t>(keys.StartKey)),
          m(r + static_cast<std::uint32_t>(keys.MultKey)),
          a(r + static_cast<std::uint32_t>(keys.AddKey)) {}
    std::uint8_t Mask() const { return static_cast<std::uint8_t>(c >> 8); }
    void Next(std::uint8_t x) { c = (c + x) * m + a; }
};

}  // namespace

TtsSimpleCrypter::TtsSimpleCrypter() : TtsSimpleCrypter(RandomPrefixes()) {}

TtsSimpleCrypter::TtsSimpleCrypter(PrefixSource prefix) : prefix_(std::move(prefix)) { SetKey(kDefaultKey); }

std::string TtsSimpleCrypter::Encrypt(const std::string& text) {
    if (text.empty()) return "";
    std::uint32_t r = prefix_();
    Stream stream(r, *this);
    std::string cipher = Hex2(r);
    for (unsigned char b : text) {
        auto x = static_cast<std::uint8_t>(b ^ stream.Mask());
        cipher += Hex2(x);
        stream.Next(x);
    }
    return cipher;
}

std::string TtsSimpleCrypter::Decrypt(const std::string& text) {
    if (text.empty()) return "";
    int r = HexNumber(text.substr(0, 2));
    if (r < 0) throw Exception("密文错误");
    Stream stream(static_cast<std::uint32_t>(r), *this);
    std::string plain;
    for (size_t i = 1; i < text.size() / 2; ++i) {
        std::string pair = text.substr(2 * i, 2);
        int x = HexNumber(pair);
        if (x < 0) throw Exception("'$" + pair + "' is not a valid integer value", "EConvertError");
        plain.push_back(static_cast<char>(x ^ stream.Mask()));
        stream.Next(static_cast<std::uint8_t>(x));
    }
    return plain;
}

void TtsCrypter::SetCryptAlgorithmType(TtsCryptAlgorithmType type) {
    if (type == type_) return;
    type_ = type;
    FreeAlgorithm();
}

std::string TtsCrypter::Key() { return Algorithm().GetKey(); }

void TtsCrypter::SetKey(const std::string& key) { Algorithm().SetKey(key); }

TtsCryptAlgorithm* TtsCrypter::GetAlgorithm() {
    if (!algorithm_ && type_ == caSimpleCrypter) algorithm_ = std::make_unique<TtsSimpleCrypter>();
    return algorithm_.get();
}

void TtsCrypter::FreeAlgorithm() { algorithm_.reset(); }

TtsCryptAlgorithm& TtsCrypter::Algorithm() {
    TtsCryptAlgorithm* algorithm = GetAlgorithm();
    if (!algorithm) throw Exception("没有类型为 " + std::to_string(type_) + " 的加密算法");
    return *algorithm;
}

}  // namespace tesra
