#include "setup/tsCrypter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "platform/Exception.h"

namespace tesra {
namespace {

TtsSimpleCrypter WithPrefix(std::uint32_t r) {
    return TtsSimpleCrypter([r] { return r; });
}

TEST(TtsSimpleCrypter, EnciphersAsTheWorkedExamples) {
    struct Case {
        std::uint32_t r;
        std::string plain;
        std::string cipher;
    };
    const Case cases[] = {
        {99, "abc", "63612EEB"},
        {0, "abc", "00616263"},  // with r = 0 the running value stays 0
        {0, std::string("\x00\xFF", 2), "0000FF"},
        {5, "", ""},  // no prefix for empty text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cipher);
        EXPECT_EQ(WithPrefix(c.r).Encrypt(c.plain), c.cipher);
    }
}

TEST(TtsSimpleCrypter, DeciphersEitherLetterCaseAndIgnoresAnOddLastCharacter) {
    struct Case {
        std::string cipher;
        std::string plain;
    };
    const Case cases[] = {
        {"63612EEB", "abc"}, {"63612eeb", "abc"}, {"63612EEB7", "abc"}, {"5", ""}, {"63", ""}, {"", ""},
    };
    TtsSimpleCrypter crypter;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cipher);
        EXPECT_EQ(crypter.Decrypt(c.cipher), c.plain);
    }
}

TEST(TtsSimpleCrypter, ReportsCipherTextThatIsNotHexadecimal) {
    struct Case {
        std::string cipher;
        std::string message;
        std::string className;
    };
    const Case cases[] = {
        {"ZZ41", "密文错误", "Exception"},
        {"G", "密文错误", "Exception"},
        {"0141ZZ", "'$ZZ' is not a valid integer value", "EConvertError"},
        {"01 1", "'$ 1' is not a valid integer value", "EConvertError"},
    };
    TtsSimpleCrypter crypter;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cipher);
        try {
            crypter.Decrypt(c.cipher);
            ADD_FAILURE() << "deciphered";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
            EXPECT_EQ(e.ClassName(), c.className);
        }
    }
}

TEST(TtsSimpleCrypter, RoundTripsEveryPrefixAndTheKeyParameters) {
    std::string plain = "蓝岸浏览器 \x01\xFF settings";
    for (std::uint32_t r = 0; r < 100; ++r) {
        SCOPED_TRACE(r);
        TtsSimpleCrypter crypter = WithPrefix(r);
        crypter.AddKey = -7;
        crypter.MultKey = 123456;
        crypter.StartKey = 0x7FFFFFFF;
        std::string cipher = crypter.Encrypt(plain);
        EXPECT_EQ(cipher.size(), 2 + 2 * plain.size());
        EXPECT_EQ(cipher.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(crypter.Decrypt(cipher), plain);
    }
}

TEST(TtsSimpleCrypter, TheKeyParametersChangeTheCipher) {
    TtsSimpleCrypter plain = WithPrefix(42);
    TtsSimpleCrypter keyed = WithPrefix(42);
    keyed.StartKey = 0x1234;
    EXPECT_NE(plain.Encrypt("abcdef"), keyed.Encrypt("abcdef"));
    EXPECT_NE(keyed.Decrypt(plain.Encrypt("abcdef")), "abcdef");
}

TEST(TtsSimpleCrypter, RandomPrefixesVaryAndAlwaysDecipher) {
    TtsSimpleCrypter crypter;
    std::set<std::string> prefixes;
    for (int i = 0; i < 200; ++i) {
        std::string cipher = crypter.Encrypt("secret");
        int r = std::stoi(cipher.substr(0, 2), nullptr, 16);
        EXPECT_LE(r, 99);
        EXPECT_EQ(crypter.Decrypt(cipher), "secret");
        prefixes.insert(cipher.substr(0, 2));
    }
    // Two hundred draws from a hundred values: a handful at least, were they fair or not.
    EXPECT_GT(prefixes.size(), 20u);
}

TEST(TtsSimpleCrypter, StartsWithTheDefaultKeyThatTakesNoPartInTheCipher) {
    TtsSimpleCrypter crypter = WithPrefix(99);
    EXPECT_EQ(crypter.GetKey(), "581347");
    crypter.SetKey("other");
    EXPECT_EQ(crypter.GetKey(), "other");
    EXPECT_EQ(crypter.Encrypt("abc"), "63612EEB");
    EXPECT_EQ(crypter.AddKey, 0);
    EXPECT_EQ(crypter.MultKey, 0);
    EXPECT_EQ(crypter.StartKey, 0);
}

TEST(TtsCrypter, MakesItsAlgorithmOnFirstKeyAccess) {
    struct Case {
        std::string what;
        std::function<void(TtsCrypter&)> touch;
    };
    const Case cases[] = {
        {"reading the key", [](TtsCrypter& c) { EXPECT_EQ(c.Key(), "581347"); }},
        {"writing the key", [](TtsCrypter& c) { c.SetKey("k"); }},
        {"asking for the algorithm", [](TtsCrypter& c) { EXPECT_NE(c.GetAlgorithm(), nullptr); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TtsCrypter crypter;
        EXPECT_EQ(crypter.CryptAlgorithmType(), caSimpleCrypter);
        EXPECT_FALSE(crypter.HasAlgorithm());
        c.touch(crypter);
        EXPECT_TRUE(crypter.HasAlgorithm());
        EXPECT_NE(dynamic_cast<TtsSimpleCrypter*>(crypter.GetAlgorithm()), nullptr);
    }
}

TEST(TtsCrypter, ChangingTheAlgorithmTypeFreesTheAlgorithm) {
    TtsCrypter crypter;
    crypter.SetKey("mine");
    TtsCryptAlgorithm* first = crypter.GetAlgorithm();
    crypter.SetCryptAlgorithmType(caSimpleCrypter);  // the same type keeps it
    EXPECT_EQ(crypter.GetAlgorithm(), first);
    EXPECT_EQ(crypter.Key(), "mine");

    crypter.SetCryptAlgorithmType(static_cast<TtsCryptAlgorithmType>(1));
    EXPECT_FALSE(crypter.HasAlgorithm());
    EXPECT_EQ(crypter.GetAlgorithm(), nullptr);  // no algorithm of that type
    EXPECT_THROW(crypter.Key(), Exception);

    crypter.SetCryptAlgorithmType(caSimpleCrypter);
    EXPECT_EQ(crypter.Key(), "581347");  // a new object with the default key
}

}  // namespace
}  // namespace tesra
