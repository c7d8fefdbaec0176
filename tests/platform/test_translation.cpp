// The player's locale: numbers keep the C form whatever the language, so that stored files and
// the command line read the same everywhere; where the catalogues are found; printf into strings
// and padding for translated words.
#include "platform/base/Translation.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/media/Resources.h"
#include "platform/store/PropertyList.h"
#include "support/Harness.h"

namespace {

// Restores the C locale the other suites expect, however a test ends.
struct LocaleReset {
    ~LocaleReset() { std::setlocale(LC_ALL, "C"); }
};

TEST(PlayersLocale, NumbersAndStoredRealsKeepTheirFormInAGermanLocale) {
    LocaleReset reset;
    EnvVar all("LC_ALL", "de_DE.UTF-8");
    if (!startTranslation(localeDirectory())) GTEST_SKIP() << "no de_DE.UTF-8 locale (locales-all)";
    // The locale took effect for everything but numbers.
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "de_DE.UTF-8");
    EXPECT_STREQ(std::setlocale(LC_MESSAGES, nullptr), "de_DE.UTF-8");

    char printed[32];
    std::snprintf(printed, sizeof printed, "%.2f", 2.5);
    EXPECT_STREQ(printed, "2.50");
    char* end = nullptr;
    EXPECT_EQ(std::strtod("0.75", &end), 0.75);
    EXPECT_EQ(*end, '\0');

    // A store with a real, as another program may have left it, read and written back.
    PropertyList root;
    root.type = PropertyList::Type::Dictionary;
    PropertyList real;
    real.type = PropertyList::Type::Real;
    real.real = 5000.5;
    root.dictionary["highScore"] = real;
    const std::optional<std::string> xml = xmlPropertyList(root);
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->find("5000,5"), std::string::npos) << *xml;
    ScratchDir scratch;
    writeFile(scratch / "p.plist", *xml);
    const std::optional<PropertyList> back = readPropertyListFile((scratch / "p.plist").string());
    ASSERT_TRUE(back);
    const PropertyList* read = back->valueForKey("highScore");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->type, PropertyList::Type::Real);
    EXPECT_EQ(read->real, 5000.5);
    EXPECT_EQ(read->unsignedValue(), 5000u);
}

TEST(PlayersLocale, AnUnknownLocaleLeavesTheGameInEnglish) {
    LocaleReset reset;
    EnvVar all("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_FALSE(startTranslation(localeDirectory()));
    EXPECT_STREQ(std::setlocale(LC_MESSAGES, nullptr), "C");
}

TEST(Catalogues, AreFoundInstalledElseInTheBuildTree) {
    ScratchDir scratch;
    const fs::path installed = scratch / "usr";
    fs::create_directories(installed / "bin");
    fs::create_directories(installed / "share" / "locale");
    EXPECT_EQ(localeDirectoryBeside((installed / "bin" / "spheron").string()),
              (installed / "share" / "locale").string());

    const fs::path build = scratch / "build";
    fs::create_directories(build / "share" / "locale");
    fs::create_directories(build / "tests");
    EXPECT_EQ(localeDirectoryBeside((build / "spheron").string()),
              (build / "share" / "locale").string());
    EXPECT_EQ(localeDirectoryBeside((build / "tests" / "test_x").string()),
              (build / "share" / "locale").string());
    // Nowhere: where an install puts them, so that a missing catalogue names that place.
    EXPECT_EQ(localeDirectoryBeside((scratch / "bare" / "spheron").string()),
              (scratch / "share" / "locale").string());
}

TEST(TranslatedText, FormatsAndPadsWhateverItsLengthAndScript) {
    EXPECT_EQ(textFormat("%2$s, %1$s", "zwei", "eins"), "eins, zwei");
    const std::string longWord(5000, 'x');
    EXPECT_EQ(textFormat("[%s]", longWord.c_str()), "[" + longWord + "]");
    EXPECT_EQ(textFormat("%s", ""), "");

    const struct {
        const char* text;
        std::size_t width;
        bool right;
        const char* padded;
    } cases[] = {{"Score", 8, true, "   Score"},
                 {"Größe", 7, false, "Größe  "},       // two-byte letters count once
                 {"得点", 4, true, "  得点"},          // three-byte ones too
                 {"Punktzahl", 4, true, "Punktzahl"}}; // too long: never cut
    for (const auto& c : cases)
        EXPECT_EQ(paddedText(c.text, c.width, c.right), c.padded) << c.text;
}

} // namespace
