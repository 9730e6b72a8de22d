#include "engine/phonenumber.h"

#include <gtest/gtest.h>

namespace {

TEST(PhoneNumber, Normalize) {
    const struct {
        std::string in;
        std::optional<std::string> out;
    } cases[] = {
        {"8 916 555-44-33", "89165554433"},
        {"+7 (916) 555.44.33", "+79165554433"},
        {"\t+7916\t", "+7916"},
        {"*100#", "*100#"},
        {"**21*+79161234567#", "**21*+79161234567#"},
        {"900", "900"},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"+", std::nullopt},
        {"+7916+7999", std::nullopt},
        {"8 916 +1", std::nullopt},
        {"- ( ) .", std::nullopt},
        {"8916;ATD", std::nullopt},
        {"8916|AT+CPBW=1", std::nullopt},
        {"8916\"", std::nullopt},
        {"8916,1", std::nullopt},
        {"8916\r\n", std::nullopt},
        {"MTS", std::nullopt},
        {"8916\xC0", std::nullopt},
        {std::string("89\0"
                     "16",
                     5),
         std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(td::normalizePhoneNumber(c.in), c.out) << c.in;
}

TEST(PhoneNumber, MatchKeyMakesRussianPrefixesOne) {
    const struct {
        std::string in, key;
    } cases[] = {
        {"89161234567", "+79161234567"},
        {"79161234567", "+79161234567"},
        {"+7 916 123-45-67", "+79161234567"},
        {"8 (916) 123 45 67", "+79161234567"},
        {"1234567", "1234567"},
        {"+89161234567", "+89161234567"},
        {"891612345678", "891612345678"},
        {"MTS", "MTS"},
    };
    for (const auto& c : cases) EXPECT_EQ(td::phoneMatchKey(c.in), c.key) << c.in;
}

}  // namespace
