// The generated case-folding table against the Unicode data it was generated from, every code point.
#include "CaseFoldTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Mappings of statuses C and S ("code; status; target; # name"); false when the file is missing.
bool ReadSimpleFolding(const std::string& path, std::map<char32_t, char32_t>& folding, std::string& version)
{
    std::ifstream source(path);
    if (!source)
        return false;
    for (std::string line; std::getline(source, line);) {
        if (line.rfind("# CaseFolding-", 0) == 0)
            version = line.substr(2);
        std::istringstream fields(line.substr(0, line.find('#')));
        std::string code, status, target;
        if (!std::getline(fields, code, ';') || !std::getline(fields, status, ';') || !std::getline(fields, target, ';'))
            continue;
        if (status == " C" || status == " S")
            folding[static_cast<char32_t>(std::stoul(code, nullptr, 16))] = static_cast<char32_t>(std::stoul(target, nullptr, 16));
    }
    return true;
}

TEST(CaseFoldTableTest, MatchesEveryEntryOfTheUnicodeData)
{
    std::map<char32_t, char32_t> folding;
    std::string version;
    ASSERT_TRUE(ReadSimpleFolding(KESTRUM_CASEFOLDING_TXT, folding, version))
        << KESTRUM_CASEFOLDING_TXT << " is missing: scripts/install-deps.sh installs it (unicode-data)";
    // The version the table was generated from (see the first line of scan/CaseFoldTable.cpp).
    EXPECT_EQ(version, "CaseFolding-15.0.0.txt");
    ASSERT_GT(folding.size(), 1400u);
    std::size_t wrong = 0;
    for (char32_t code = 0; code < 0x110000; ++code) {
        const auto found = folding.find(code);
        const char32_t expected = found != folding.end() ? found->second : code;
        if (SimpleCaseFold(code) != expected && ++wrong <= 10)
            ADD_FAILURE() << std::hex << "U+" << static_cast<std::uint32_t>(code) << " folds to U+"
                          << static_cast<std::uint32_t>(SimpleCaseFold(code)) << ", not U+"
                          << static_cast<std::uint32_t>(expected);
    }
    EXPECT_EQ(wrong, 0u);
}

} // namespace
